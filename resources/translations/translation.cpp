#include "resources/translations/translation.h"

#include <QLatin1String>
#include <QString>

const Translation* findTranslation(const QString& code) {
    for (const Translation& row : TRANSLATION_TABLE) {
        if (code == QLatin1String(row.code)) {
            return &row;
        }
    }
    return nullptr;
}
