#include "fwup/ui/about_dialog.h"

#include "fwup/ui/brand.h"
#include "resources/initialise_resources.h"
#include "ui_about_dialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

QByteArray read_whole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::AboutDialog>()) {
    fwup::initialise_resources();
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    icon_ = QPixmap(QString::fromLatin1(fwup::brand_in_use.applicationIcon));

    // The credit list: one entry per library, each showing its licence when picked.
    auto* credits = new QVBoxLayout(ui_->licenceItemsFrame);
    auto* qt = new QRadioButton(QStringLiteral("Qt"), ui_->licenceItemsFrame);
    credits->addWidget(qt);
    credits->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    connect(qt, &QRadioButton::clicked, this,
            [this] { displayLatin1Licence(QStringLiteral(":/LICENSE-qt")); });
    qt->click();
    // The selected entry holds the focus, so no text cursor blinks in the licence text.
    qt->setFocus();

    ui_->appNameLabel->setText(QGuiApplication::applicationDisplayName());
    ui_->appVersionLabel->setText(QCoreApplication::applicationVersion());
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::displayLatin1Licence(const QString& path) {
    ui_->selectedCreditsTextEdit->clear();
    ui_->selectedCreditsTextEdit->setPlainText(QString::fromLatin1(read_whole(path)));
}

void AboutDialog::displayUtf8Licence(const QString& path) {
    ui_->selectedCreditsTextEdit->clear();
    ui_->selectedCreditsTextEdit->setPlainText(QString::fromUtf8(read_whole(path)));
}

void AboutDialog::resizeEvent(QResizeEvent* event) {
    ui_->appIconLabel->setPixmap(
        icon_.scaled(ui_->appIconLabel->size(), Qt::KeepAspectRatio, Qt::FastTransformation));
    QDialog::resizeEvent(event);
}
