#include "fwup/ui/window_appearance.h"

#include <QFile>
#include <QFontDatabase>

namespace fwup {

void register_window_fonts() {
    // Once per process: every registration would add the same families again.
    static const bool registered = [] {
        for (const char* font : {":/PT_Sans-Web-Regular.ttf", ":/PT_Sans-Web-Italic.ttf",
                                 ":/PT_Sans-Web-Bold.ttf", ":/PT_Sans-Web-BoldItalic.ttf", ":/PTM55FT.ttf"}) {
            QFontDatabase::addApplicationFont(QString::fromLatin1(font));
        }
        return true;
    }();
    Q_UNUSED(registered);
}

QString window_style_sheet() {
    QString sheet;
    QFile file(QStringLiteral(":/style_sheet.qss"));
    if (file.open(QIODevice::ReadOnly)) {
        sheet = QString::fromLatin1(file.readAll());
    }
    sheet.replace(QStringLiteral("${background-image}"), QStringLiteral(":/CVN-Updater-BG-50pct.png"));
    return sheet;
}

} // namespace fwup
