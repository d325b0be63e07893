#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

namespace fwup::test {

// Saves a picture beside the test executable, in pictures/, for a person to look at.
inline bool save_picture(const QPixmap& picture, const QString& name) {
    const QDir dir(QCoreApplication::applicationDirPath());
    return dir.mkpath(QStringLiteral("pictures")) &&
           picture.save(dir.filePath(QStringLiteral("pictures/") + name));
}

// The visible labels and buttons under `root` that have less room than their text needs.
inline QStringList clipped_texts(const QWidget& root) {
    QStringList clipped;
    auto check = [&](const QWidget* widget, QSize needed) {
        if (needed.width() > widget->width() || needed.height() > widget->height()) {
            clipped << QStringLiteral("%1 needs %2x%3, has %4x%5")
                           .arg(widget->objectName())
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(widget->width())
                           .arg(widget->height());
        }
    };
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) {
            continue;
        }
        check(label, label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint());
    }
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (button->isVisible()) {
            check(button, button->sizeHint());
        }
    }
    return clipped;
}

} // namespace fwup::test
