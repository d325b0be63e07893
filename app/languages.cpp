#include "app/languages.h"

#include "app/application_settings.h"
#include "resources/translations/translation.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSettings>
#include <QStringList>
#include <QTranslator>

namespace {

const QString LANGUAGE = QStringLiteral("language");

} // namespace

QString startLanguage(const QSettings& settings, const QStringList& uiLanguages) {
    if (settings.contains(LANGUAGE)) {
        return settings.value(LANGUAGE).toString();
    }
    for (const QString& uiLanguage : uiLanguages) {
        if (const Translation* row = findTranslation(uiLanguage.left(2))) {
            return QString::fromLatin1(row->code);
        }
    }
    return QStringLiteral("en");
}

bool loadLanguage(const QString& code, QTranslator& translator) {
    if (!findTranslation(code)) {
        return false;
    }
    if (!translator.load(QStringLiteral("corvane-update-utility_") + code, QStringLiteral(":/translations"),
                         QString(), QString())) {
        qWarning() << "Failed to load translations for" << code << "- Were translations generated?";
        return false;
    }
    QSettings settings(QString::fromLatin1(SETTINGS_ORGANISATION), QString::fromLatin1(SETTINGS_APPLICATION));
    settings.setValue(LANGUAGE, code);
    QGuiApplication::setApplicationDisplayName(
        QCoreApplication::translate("Application Name", "Corvane Update Utility"));
    return true;
}

QPixmap languageFlag(const QString& code) {
    return QPixmap(QStringLiteral(":/lang_flags/%1.png").arg(code));
}
