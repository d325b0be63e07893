#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class UserPromptDialog;
}

namespace fwup {

// A fixed-size dialog with one message and an OK button that closes it.
class UserPromptDialog : public QDialog {
    Q_OBJECT

public:
    explicit UserPromptDialog(QWidget* parent);
    ~UserPromptDialog() override;

    void setPromptText(const QString& text);

private:
    std::unique_ptr<Ui::UserPromptDialog> ui_;
};

} // namespace fwup
