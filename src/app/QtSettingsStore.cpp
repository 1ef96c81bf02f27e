#include "app/QtSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <optional>

namespace {

QString Key(const std::string& name) {
    return QString::fromStdString(name);
}

// The text after "name=" on the key's line in the [General] section (or before any
// section), exactly as it stands; the last such line counts, as for QSettings.
std::optional<QByteArray> RawGeneralValue(const QByteArray& text, const QByteArray& name) {
    std::optional<QByteArray> value;
    bool general = true;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            general = trimmed == "[General]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (general && equals > 0 && line.left(equals).trimmed() == name)
            value = line.mid(equals + 1);
    }
    return value;
}

std::optional<QByteArray> RawFileValue(const QString& path, const QByteArray& name) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RawGeneralValue(file.readAll(), name);
}

// Whether QSettings, saving a file, writes this unquoted value back unchanged.
bool RewrittenAsItIs(const QByteArray& raw) {
    if (raw.isEmpty())
        return true;
    if (raw.front() == ' ' || raw.front() == '\t' || raw.back() == ' ' || raw.back() == '\t' ||
        !raw.isValidUtf8())
        return false;
    for (const char c : raw) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '"' || c == ';' || c == ',' ||
            c == '=')
            return false;
    }
    return true;
}

// The files QSettings reads, in its order: the user's own, then the system-wide
// ones (every directory of XDG_CONFIG_DIRS, unless a test moved the system scope).
QStringList SettingsFiles(const QSettings& user) {
    const QString relative =
        QStringLiteral("/%1/%2.conf").arg(user.organizationName(), user.applicationName());
    QStringList directories =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (!directories.isEmpty())
        directories.removeFirst();  // the user's own configuration directory
    const QString system = QSettings(QSettings::NativeFormat, QSettings::SystemScope,
                                     user.organizationName(), user.applicationName())
                               .fileName();
    QStringList files{user.fileName()};
    if (directories.isEmpty() || system != directories.first() + relative) {
        files.append(system);
        return files;
    }
    for (const QString& directory : directories)
        files.append(directory + relative);
    return files;
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Tessellon"),
                                             QStringLiteral("tsn_viewer"))) {}

QtSettingsStore::~QtSettingsStore() = default;

int QtSettingsStore::GetProfileInt(const std::string& name, int defaultValue) {
    const QVariant value = m_settings->value(Key(name));
    if (!value.isValid()) {
        return defaultValue;
    }
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    return ok ? number : defaultValue;
}

void QtSettingsStore::WriteProfileInt(const std::string& name, int value) {
    m_settings->setValue(Key(name), value);
    // Written through at once: a value such as the first-run mark must survive a
    // run that does not end normally.
    m_settings->sync();
}

std::string QtSettingsStore::GetProfileString(const std::string& name,
                                              const std::string& defaultValue) {
    // Read from the files themselves, the user's first: QSettings would split an
    // unquoted comma into a list and drop blanks, quotes and backslashes, and a
    // path is one string, byte for byte.
    const QByteArray key = QByteArray::fromStdString(name);
    const QStringList files = SettingsFiles(*m_settings);
    for (const QString& file : files) {
        const std::optional<QByteArray> raw = RawFileValue(file, key);
        if (!raw)
            continue;
        if (raw->startsWith('"') || raw->startsWith('@')) {
            // Written by QSettings itself (quoted, or as a byte array): its reading.
            const QVariant value = QSettings(file, QSettings::IniFormat).value(Key(name));
            if (value.typeId() == QMetaType::QByteArray)
                return value.toByteArray().toStdString();
            if (value.typeId() == QMetaType::QString)
                return value.toString().toStdString();
        } else if (file == files.first() && !RewrittenAsItIs(*raw)) {
            // Any QSettings that saves the user's file writes back what it parsed, and
            // would change this text; as a byte array it keeps every byte.
            m_settings->setValue(Key(name), *raw);
            m_settings->sync();
        }
        return raw->toStdString();
    }
    return defaultValue;
}
