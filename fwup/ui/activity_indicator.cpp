#include "fwup/ui/activity_indicator.h"

#include "ui_activity_indicator.h"

#include <QPixmap>
#include <QTimerEvent>

namespace fwup {

namespace {

constexpr int frame_interval_ms = 400;
constexpr int frame_count = 3;

// Loaded once and shared by every indicator, for the life of the process.
const QPixmap& framePixmap(int index) {
    static const QPixmap frames[frame_count] = {
        QPixmap(QStringLiteral(":/busy-1.png")),
        QPixmap(QStringLiteral(":/busy-2.png")),
        QPixmap(QStringLiteral(":/busy-3.png")),
    };
    return frames[index];
}

} // namespace

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::ActivityIndicator>()) {
    ui_->setupUi(this);
    timerId_ = startTimer(frame_interval_ms, Qt::CoarseTimer);
}

ActivityIndicator::~ActivityIndicator() = default;

void ActivityIndicator::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_) {
        QWidget::timerEvent(event);
        return;
    }
    // The form opens on the first frame, so the first tick shows it again: it stays for two intervals.
    frameIndex_ = (frameIndex_ + 1) % frame_count;
    ui_->label->setPixmap(framePixmap(frameIndex_));
}

} // namespace fwup
