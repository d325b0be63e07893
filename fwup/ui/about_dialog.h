#pragma once

#include <QDialog>
#include <QPixmap>

#include <memory>

namespace Ui {
class AboutDialog;
}

// The application's icon, name and version, and the licence texts of the libraries it credits.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent);
    ~AboutDialog() override;

    // Shows a licence file's text; a file that cannot be read shows nothing.
    void displayLatin1Licence(const QString& path);
    void displayUtf8Licence(const QString& path);

protected:
    // Keeps the icon fitted to its label.
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<Ui::AboutDialog> ui_;
    QPixmap icon_;
};
