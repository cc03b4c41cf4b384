// Speed of reading the registry file: files of 5,000 to 80,000 values (all
// in one key, as the settings are, and spread over many keys), as UTF-8 and
// as the registry editor's UTF-16LE export; the parse alone, a read of one
// value through a fresh registry object (file read and parse), and the same
// read when the file has not changed since the last one. The goal is a
// 40,000-value file read in well under 100 ms, growing in step with its
// size.
#include "platform/file_registry.h"
#include "platform/registry_file_format.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

using namespace orvanta::platform;

const QString kKey = QStringLiteral("Software\\Orvanta");

// `values` values, `perKey` to a key, in the registry editor's format; the
// last value of all is "Wanted"="found".
QByteArray registryFile(int values, int perKey, bool utf16) {
  QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
  for (int i = 0; i < values; ++i) {
    if (i % perKey == 0) {
      text += QStringLiteral("\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvanta");
      if (i > 0) text += QStringLiteral("\\Sub%1").arg(i / perKey);
      text += QStringLiteral("]\r\n");
    }
    text += QStringLiteral("\"Value%1\"=\"C:\\\\Some\\\\Folder\\\\File number %1.txt\"\r\n").arg(i);
  }
  text += QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\r\n\"Wanted\"=\"found\"\r\n");
  if (!utf16) return text.toUtf8();
  QByteArray bytes("\xff\xfe");
  for (const QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xff));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  return bytes;
}

void BM_ParseRegistryFile(benchmark::State& state) {
  const QByteArray file = registryFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                       state.range(2) != 0);
  for (auto _ : state) {
    QString error;
    auto data = parseRegFile(file, &error);
    if (!data) state.SkipWithError("the file does not parse");
    benchmark::DoNotOptimize(data);
  }
  state.SetBytesProcessed(state.iterations() * file.size());
  state.counters["values"] = static_cast<double>(state.range(0));
}
// Arguments: values, values per key, UTF-16LE (1) or UTF-8 (0).
BENCHMARK(BM_ParseRegistryFile)
    ->Args({5000, 5000, 0})
    ->Args({10000, 10000, 0})
    ->Args({20000, 20000, 0})
    ->Args({40000, 40000, 0})
    ->Args({80000, 80000, 0})
    ->Args({40000, 40000, 1})
    ->Args({40000, 10, 0})
    ->Unit(benchmark::kMillisecond);

// One value read as the settings read it: a registry object made afresh,
// so that the file is read and parsed; with `cached` the same object reads
// again from an unchanged file.
void BM_ReadOneValue(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/registry.reg");
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(registryFile(static_cast<int>(state.range(0)), 40000, false)) < 0) {
    state.SkipWithError("cannot write the file");
    return;
  }
  out.close();
  const bool cached = state.range(1) != 0;
  FileRegistry kept(path);
  for (auto _ : state) {
    FileRegistry fresh(path);
    FileRegistry& registry = cached ? kept : fresh;
    RegKeyHandle key = 0;
    QByteArray data;
    quint32 type = 0;
    if (registry.openKey(RegRoot::LocalMachine, kKey, kKeyRead, &key) != RegStatus::Ok ||
        registry.queryValue(key, QStringLiteral("Wanted"), 1024, &type, &data) != RegStatus::Ok || data != "found") {
      state.SkipWithError("the value does not read");
    }
    registry.closeKey(key);
  }
  state.counters["values"] = static_cast<double>(state.range(0));
}
// Arguments: values, the same object reading again (1) or a fresh one (0).
BENCHMARK(BM_ReadOneValue)->Args({5000, 0})->Args({40000, 0})->Args({40000, 1})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
