#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class ActivityIndicator;
}

namespace fwup {

// The animated busy sign of the pages that wait: three frames in turn, from construction until the
// widget is destroyed, shown or not.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(QWidget* parent);
    ~ActivityIndicator() override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::unique_ptr<Ui::ActivityIndicator> ui_;
    int frameIndex_ = -1;
    int timerId_ = 0;
};

} // namespace fwup
