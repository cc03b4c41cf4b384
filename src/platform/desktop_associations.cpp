// File associations of a freedesktop system, read from mimeapps.list files,
// mimeinfo.cache and desktop entries, offered as HKEY_CLASSES_ROOT keys.
#include "desktop_associations.h"
#include "classes_root.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QSet>
#include <QStandardPaths>


namespace orvanta::platform {
namespace {

const QString kCommandSuffix = QStringLiteral("\\shell\\open\\command");

QString envOr(const char* name, const QString& fallback) {
  const QString value = qEnvironmentVariable(name);
  return QDir::isAbsolutePath(value) ? value : fallback;
}

QStringList absoluteList(const char* name, const QStringList& fallback) {
  QStringList result;
  for (const QString& dir : qEnvironmentVariable(name).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    if (QDir::isAbsolutePath(dir)) result << dir;
  }
  return result.isEmpty() ? fallback : result;
}

// Groups of an ini-like file (desktop entry, mimeapps.list, mimeinfo.cache):
// group -> key -> raw value. Localised keys are left out.
using IniGroups = std::map<QString, std::map<QString, QString>>;

IniGroups readIni(const QString& path) {
  IniGroups groups;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return groups;
  QString group;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      group = line.mid(1, line.size() - 2);
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    const QString key = line.left(equals).trimmed();
    if (key.contains(QLatin1Char('['))) continue;
    groups[group].emplace(key, line.mid(equals + 1).trimmed());  // the first of a repeated key counts
  }
  return groups;
}

QStringList idList(const IniGroups& groups, const QString& group, const QString& mimeType) {
  const auto g = groups.find(group);
  if (g == groups.end()) return {};
  const auto v = g->second.find(mimeType);
  if (v == g->second.end()) return {};
  return v->second.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// A desktop entry's string value with its escapes (\s \n \t \r \\) resolved.
QString unescapeValue(const QString& value) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const QChar next = value[++i];
    switch (next.unicode()) {
      case 's': out += QLatin1Char(' '); break;
      case 'n': out += QLatin1Char('\n'); break;
      case 't': out += QLatin1Char('\t'); break;
      case 'r': out += QLatin1Char('\r'); break;
      case '\\': out += QLatin1Char('\\'); break;
      default: out += QLatin1Char('\\'); out += next; break;
    }
  }
  return out;
}

// Splits an Exec value into its arguments: blanks separate, double quotes
// group, and inside them a backslash makes the next character literal.
QStringList splitExec(const QString& exec) {
  QStringList args;
  QString current;
  bool inArgument = false;
  bool quoted = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (quoted) {
      if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
        current += exec[++i];
      } else if (c == QLatin1Char('"')) {
        quoted = false;
      } else {
        current += c;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
      inArgument = true;
    } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
      if (inArgument) args << current;
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) args << current;
  return args;
}

// One argument quoted so that the Windows command-line rules read it back
// unchanged; `force` quotes it even when it needs no quotes.
QString quoteArgument(const QString& argument, bool force) {
  const bool needs = argument.isEmpty() || argument.contains(QLatin1Char(' ')) ||
                     argument.contains(QLatin1Char('\t')) || argument.contains(QLatin1Char('\n')) ||
                     argument.contains(QLatin1Char('"'));
  if (!needs && !force) return argument;
  QString out = QStringLiteral("\"");
  qsizetype backslashes = 0;
  for (const QChar c : argument) {
    if (c == QLatin1Char('\\')) {
      ++backslashes;
      continue;
    }
    if (c == QLatin1Char('"')) {
      out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
      out += c;
    } else {
      out += QString(backslashes, QLatin1Char('\\'));
      out += c;
    }
    backslashes = 0;
  }
  out += QString(backslashes * 2, QLatin1Char('\\'));
  out += QLatin1Char('"');
  return out;
}

bool isFileCode(QChar c) {
  return c == QLatin1Char('f') || c == QLatin1Char('F') || c == QLatin1Char('u') || c == QLatin1Char('U');
}

}  // namespace

XdgDirs XdgDirs::fromEnvironment() {
  XdgDirs dirs;
  const QString home = QDir::homePath();
  dirs.configHome = envOr("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
  dirs.configDirs = absoluteList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
  dirs.dataHome = envOr("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
  dirs.dataDirs = absoluteList("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
  for (const QString& name : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    dirs.desktops << name.toLower();
  }
  return dirs;
}

QString OpenCommandFromExec(const QString& exec) {
  const QStringList args = splitExec(exec);
  if (args.isEmpty() || args.first().isEmpty()) return QString();
  QStringList out;
  bool fileGiven = false;
  for (qsizetype n = 0; n < args.size(); ++n) {
    const QString& arg = args[n];
    if (n > 0 && arg.size() == 2 && arg[0] == QLatin1Char('%') && arg[1] != QLatin1Char('%') &&
        !(isFileCode(arg[1]) && !fileGiven)) {
      continue;  // a field code standing alone that gives nothing here
    }
    QString expanded;
    bool holdsFile = false;
    for (qsizetype i = 0; i < arg.size(); ++i) {
      if (arg[i] != QLatin1Char('%') || i + 1 == arg.size()) {
        expanded += arg[i];
        continue;
      }
      const QChar code = arg[++i];
      if (code == QLatin1Char('%')) {
        expanded += QLatin1Char('%');
      } else if (isFileCode(code) && !fileGiven) {
        expanded += QStringLiteral("%1");
        fileGiven = holdsFile = true;
      }
    }
    if (n == 0) {
      if (expanded.isEmpty()) return QString();
      out << quoteArgument(expanded, false);
    } else {
      out << quoteArgument(expanded, holdsFile);
    }
  }
  if (!fileGiven) out << QStringLiteral("\"%1\"");
  return out.join(QLatin1Char(' '));
}

DesktopAssociations::DesktopAssociations(XdgDirs dirs) : dirs_(std::move(dirs)) {}

QString DesktopAssociations::mimeTypeForExtension(const QString& extension) const {
  if (extension.isEmpty()) return QString();
  const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("file.") + extension);
  return types.isEmpty() ? QString() : types.first().name();
}

QStringList DesktopAssociations::mimeAppsFiles() const {
  QStringList files;
  const auto add = [&](const QString& dir) {
    for (const QString& desktop : dirs_.desktops) files << dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
    files << dir + QStringLiteral("/mimeapps.list");
  };
  add(dirs_.configHome);
  for (const QString& dir : dirs_.configDirs) add(dir);
  for (const QString& dir : applicationDirs()) add(dir);
  return files;
}

QStringList DesktopAssociations::applicationDirs() const {
  QStringList dirs{dirs_.dataHome + QStringLiteral("/applications")};
  for (const QString& dir : dirs_.dataDirs) dirs << dir + QStringLiteral("/applications");
  return dirs;
}

// The command line of an installed application, empty when the desktop ID
// names none (no file, hidden, not an application, no Exec, or a TryExec
// program that is missing).
QString DesktopAssociations::commandForDesktopId(const QString& desktopId) const {
  if (!desktopId.endsWith(QStringLiteral(".desktop")) || desktopId.contains(QLatin1Char('/'))) return QString();
  QStringList names{desktopId};
  for (qsizetype dash = desktopId.indexOf(QLatin1Char('-')); dash > 0;
       dash = desktopId.indexOf(QLatin1Char('-'), dash + 1)) {
    names << QString(desktopId).replace(dash, 1, QLatin1Char('/'));
  }
  for (const QString& dir : applicationDirs()) {
    for (const QString& name : names) {
      const QString path = dir + QLatin1Char('/') + name;
      if (!QFileInfo(path).isFile()) continue;
      // The first file found for an ID is the entry, even when it hides it.
      const IniGroups groups = readIni(path);
      const auto entry = groups.find(QStringLiteral("Desktop Entry"));
      if (entry == groups.end()) return QString();
      const auto value = [&](const char* key) {
        const auto it = entry->second.find(QString::fromLatin1(key));
        return it == entry->second.end() ? QString() : unescapeValue(it->second);
      };
      if (value("Hidden") == QStringLiteral("true")) return QString();
      const QString type = value("Type");
      if (!type.isEmpty() && type != QStringLiteral("Application")) return QString();
      const QString tryExec = value("TryExec");
      if (!tryExec.isEmpty()) {
        const bool found = QDir::isAbsolutePath(tryExec) ? QFileInfo(tryExec).isExecutable()
                                                         : !QStandardPaths::findExecutable(tryExec).isEmpty();
        if (!found) return QString();
      }
      return OpenCommandFromExec(value("Exec"));
    }
  }
  return QString();
}

QString DesktopAssociations::commandForExactType(const QString& mimeType) const {
  std::vector<IniGroups> lists;
  for (const QString& file : mimeAppsFiles()) lists.push_back(readIni(file));

  // Defaults, most important file first; a file's removed associations
  // hide the applications that less important files name.
  QSet<QString> removed;
  for (const IniGroups& list : lists) {
    for (const QString& id : idList(list, QStringLiteral("Default Applications"), mimeType)) {
      if (removed.contains(id)) continue;
      const QString command = commandForDesktopId(id);
      if (!command.isEmpty()) return command;
    }
    for (const QString& id : idList(list, QStringLiteral("Removed Associations"), mimeType)) removed.insert(id);
  }
  // Then the added associations, and the applications that declare the type.
  removed.clear();
  for (const IniGroups& list : lists) {
    for (const QString& id : idList(list, QStringLiteral("Added Associations"), mimeType)) {
      if (removed.contains(id)) continue;
      const QString command = commandForDesktopId(id);
      if (!command.isEmpty()) return command;
    }
    for (const QString& id : idList(list, QStringLiteral("Removed Associations"), mimeType)) removed.insert(id);
  }
  for (const QString& dir : applicationDirs()) {
    const IniGroups cache = readIni(dir + QStringLiteral("/mimeinfo.cache"));
    for (const QString& id : idList(cache, QStringLiteral("MIME Cache"), mimeType)) {
      if (removed.contains(id)) continue;
      const QString command = commandForDesktopId(id);
      if (!command.isEmpty()) return command;
    }
  }
  for (const QString& dir : applicationDirs()) {
    QStringList entries;
    QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) entries << it.next();
    entries.sort();
    for (const QString& path : entries) {
      const IniGroups groups = readIni(path);
      const QStringList types = idList(groups, QStringLiteral("Desktop Entry"), QStringLiteral("MimeType"));
      if (!types.contains(mimeType)) continue;
      const QString id = QDir(dir).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
      if (removed.contains(id)) continue;
      const QString command = commandForDesktopId(id);
      if (!command.isEmpty()) return command;
    }
  }
  return QString();
}

QString DesktopAssociations::openCommandForMimeType(const QString& mimeType) const {
  if (mimeType.isEmpty()) return QString();
  QStringList types{mimeType};
  const QMimeType known = QMimeDatabase().mimeTypeForName(mimeType);
  if (known.isValid()) {
    if (known.name() != mimeType) types << known.name();
    types << known.allAncestors();
  }
  for (const QString& type : types) {
    const QString command = commandForExactType(type);
    if (!command.isEmpty()) return command;
  }
  return QString();
}

RegStatus DesktopAssociations::openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) {
  *key = 0;
  if (root != RegRoot::ClassesRoot) return RegStatus::NotFound;
  if ((access & kKeyWriteRights) != 0) return RegStatus::AccessDenied;
  const QString wanted = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
  QString value;
  if (wanted.startsWith(QLatin1Char('.')) && !wanted.contains(QLatin1Char('\\'))) {
    value = mimeTypeForExtension(wanted.mid(1));
  } else if (wanted.toLower().endsWith(kCommandSuffix)) {
    value = openCommandForMimeType(wanted.left(wanted.size() - kCommandSuffix.size()));
  }
  if (value.isEmpty()) return RegStatus::NotFound;
  *key = nextHandle_++;
  open_.emplace(*key, value);
  return RegStatus::Ok;
}

RegStatus DesktopAssociations::createKey(RegRoot, const QString&, quint32, RegKeyHandle* key) {
  *key = 0;
  return RegStatus::AccessDenied;
}

RegStatus DesktopAssociations::queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                                          QByteArray* data) {
  data->clear();
  const auto it = open_.find(key);
  if (it == open_.end()) return RegStatus::Failed;
  if (!name.isEmpty()) return RegStatus::NotFound;
  const QByteArray bytes = it->second.toLocal8Bit();
  *type = RegSz;
  if (bytes.size() > static_cast<qsizetype>(bufferSize)) return RegStatus::MoreData;
  *data = bytes;
  return RegStatus::Ok;
}

RegStatus DesktopAssociations::setValue(RegKeyHandle, const QString&, quint32, const QByteArray&) {
  return RegStatus::AccessDenied;
}

void DesktopAssociations::closeKey(RegKeyHandle key) { open_.erase(key); }

std::unique_ptr<Registry> createDesktopClassesRoot() {
  return std::make_unique<DesktopAssociations>(XdgDirs::fromEnvironment());
}

}  // namespace orvanta::platform
