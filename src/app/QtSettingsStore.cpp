#include "app/QtSettingsStore.h"

#include <QSettings>

#include "app/IniSettingsReader.h"

namespace {

QString Key(const std::string& name) {
    return QString::fromStdString(name);
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

}  // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(IniSettingsReader().UserFile()),
                                             QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

// Each read takes the files as they are now: QSettings may have saved them since.
int QtSettingsStore::GetProfileInt(const std::string& name, int defaultValue) {
    return IniSettingsReader().GetProfileInt(name, defaultValue);
}

void QtSettingsStore::WriteProfileInt(const std::string& name, int value) {
    m_settings->setValue(Key(name), value);
    // Written through at once: a value such as the first-run mark must survive a
    // run that does not end normally.
    m_settings->sync();
}

std::string QtSettingsStore::GetProfileString(const std::string& name,
                                              const std::string& defaultValue) {
    std::optional<IniSettingsReader::FoundString> found = IniSettingsReader().FindString(name);
    if (!found)
        return defaultValue;
    const QByteArray bytes = QByteArray::fromStdString(found->value);
    if (found->verbatim && found->inUserFile && !RewrittenAsItIs(bytes)) {
        // Any QSettings that saves the user's file writes back what it parsed, and
        // would change this text; as a byte array it keeps every byte.
        m_settings->setValue(Key(name), bytes);
        m_settings->sync();
    }
    return std::move(found->value);
}
