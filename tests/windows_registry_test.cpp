// The Windows registry backend on the real registry (Wine's under Wine), in
// keys of this test's own under HKEY_CURRENT_USER that stand in for the
// machine's and the user's hives.
#include "platform/registry_win.h"
#include "settings/reg_keys.h"

#include <QUuid>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace orvanta::platform {
namespace {

using settings::RegKeys;

const QString kKey = QStringLiteral("Software\\Orvanta");

// The two hives as keys below one test key; the machine's may refuse every
// right to write, as it does for a standard user on Windows 10 and 11.
class StandInHives : public RegHiveOpener {
 public:
  StandInHives(std::wstring base, bool machineRefusesWrites) : base_(std::move(base)), refuses_(machineRefusesWrites) {}

  LONG open(RegHive hive, const wchar_t* path, REGSAM access, bool create, HKEY* key) override {
    *key = nullptr;
    if (hive == RegHive::Machine && refuses_ && (create || (access & kKeyWriteRights) != 0)) {
      return ERROR_ACCESS_DENIED;
    }
    const std::wstring full = base_ +
                              (hive == RegHive::Machine ? L"\\Machine\\"
                               : hive == RegHive::User  ? L"\\User\\"
                                                        : L"\\Classes\\") +
                              path;
    if (!create) return RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, access, key);
    return RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, access, nullptr, key, nullptr);
  }

 private:
  std::wstring base_;
  bool refuses_;
};

class WindowsRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }

  std::unique_ptr<Registry> registry(bool machineRefusesWrites) {
    return createWindowsRegistry(std::make_unique<StandInHives>(base, machineRefusesWrites));
  }

  // A text value straight from one stand-in hive, as UTF-16; nullopt when
  // it is missing.
  std::optional<QString> stored(const wchar_t* hive, const QString& name) const {
    const std::wstring key = base + hive + L"\\Software\\Orvanta";
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), reinterpret_cast<const wchar_t*>(name.utf16()), RRF_RT_ANY, &type,
                     buffer, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
      return std::nullopt;
    }
    return QString::fromWCharArray(buffer);
  }

  void storeInMachine(const QString& name, const QString& value) {
    auto writable = registry(false);
    ASSERT_TRUE(RegKeys(*writable).WriteRegValue(RegRoot::LocalMachine, kKey, name, value));
  }

  const std::wstring base =
      L"Software\\OrvantaRegistryTest-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdWString();
};

// Names and values keep every character, stored as UTF-16 texts.
TEST_F(WindowsRegistryTest, NamesAndValuesRoundTripAsUtf16) {
  auto system = registry(false);
  const RegKeys keys(*system);
  const struct {
    QString name;
    QString value;
  } cases[] = {
      {QStringLiteral("SearchPrefix"), QStringLiteral("http://localhost:4664/search&s=abc?q=")},
      {QStringLiteral("Gr\u00fc\u00dfe"), QStringLiteral("\u00e9\u6771 \U0001F600")},
      {QStringLiteral("\u6771\u4eac"), QStringLiteral("caf\u00e9")},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, c.name, c.value)) << c.name.toStdString();
    EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, c.name), c.value) << c.name.toStdString();
    EXPECT_EQ(stored(L"\\Machine", c.name), c.value) << c.name.toStdString();
  }
  // The read limit counts bytes of UTF-8, as on the registry file.
  const QString wide(512, QChar(0x00e9));
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide"), wide));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide")), QString());
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide"), wide.left(511)));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide")), wide.left(511));
}

// Where the machine's hive refuses writes, the values go under the user's
// key of the same path, and reads take the user's value first and the
// machine's where the user has none; the machine's values stay as they were.
TEST_F(WindowsRegistryTest, WritesTheMachineRefusesGoToTheUser) {
  storeInMachine(QStringLiteral("SearchPrefix"), QStringLiteral("machine prefix"));
  storeInMachine(QStringLiteral("SearchSuffix"), QStringLiteral("machine suffix"));

  auto refusing = registry(true);
  const RegKeys keys(*refusing);
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix")),
            QStringLiteral("machine prefix"));
  ASSERT_TRUE(
      keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix"), QStringLiteral("user prefix")));
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("MaxResults"), QStringLiteral("7")));

  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix")),
            QStringLiteral("user prefix"));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchSuffix")),
            QStringLiteral("machine suffix"));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("MaxResults")), QStringLiteral("7"));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Missing")), QString());

  EXPECT_EQ(stored(L"\\Machine", QStringLiteral("SearchPrefix")), QStringLiteral("machine prefix"));
  EXPECT_EQ(stored(L"\\Machine", QStringLiteral("MaxResults")), std::nullopt);
  EXPECT_EQ(stored(L"\\User", QStringLiteral("SearchPrefix")), QStringLiteral("user prefix"));
  EXPECT_EQ(stored(L"\\User", QStringLiteral("MaxResults")), QStringLiteral("7"));
  EXPECT_EQ(stored(L"\\User", QStringLiteral("SearchSuffix")), std::nullopt);

  // A later start, the machine still refusing, reads what the user wrote.
  auto again = registry(true);
  EXPECT_EQ(RegKeys(*again).ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("MaxResults")),
            QStringLiteral("7"));
}

// A first run with no machine key at all: everything is the user's.
TEST_F(WindowsRegistryTest, AFirstRunWithoutAMachineKeyWritesTheUsersOwn) {
  auto refusing = registry(true);
  const RegKeys keys(*refusing);
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix")), QString());
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix"), QStringLiteral("first")));
  EXPECT_EQ(keys.ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix")), QStringLiteral("first"));
  EXPECT_EQ(stored(L"\\User", QStringLiteral("SearchPrefix")), QStringLiteral("first"));
  EXPECT_EQ(stored(L"\\Machine", QStringLiteral("SearchPrefix")), std::nullopt);
}

// A machine that takes the writes keeps them; the user's key is not made.
TEST_F(WindowsRegistryTest, WritesTheMachineTakesStayThere) {
  auto writable = registry(false);
  ASSERT_TRUE(RegKeys(*writable).WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchPrefix"),
                                               QStringLiteral("machine")));
  EXPECT_EQ(stored(L"\\Machine", QStringLiteral("SearchPrefix")), QStringLiteral("machine"));
  EXPECT_EQ(stored(L"\\User", QStringLiteral("SearchPrefix")), std::nullopt);
}

}  // namespace
}  // namespace orvanta::platform
