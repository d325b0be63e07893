#include "fwup/ui/user_prompt_dialog.h"

#include "ui_user_prompt_dialog.h"

namespace fwup {

UserPromptDialog::UserPromptDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::UserPromptDialog>()) {
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("Action Required"));
    connect(ui_->userPromptDialogOkBtn, &QPushButton::clicked, this, &QDialog::close);
}

UserPromptDialog::~UserPromptDialog() = default;

void UserPromptDialog::setPromptText(const QString& text) {
    ui_->userPromptLabel->setText(text);
}

} // namespace fwup
