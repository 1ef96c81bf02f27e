#include "app/QtSettingsStore.h"

#include <QSettings>
#include <QStringList>

namespace {

QString Key(const std::string& name) {
    return QString::fromStdString(name);
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
    const QVariant value = m_settings->value(Key(name));
    if (!value.isValid()) {
        return defaultValue;
    }
    // An unquoted comma in a hand-written file splits the value into a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}
