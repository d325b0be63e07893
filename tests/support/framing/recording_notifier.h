#pragma once

#include "muppet/notifier.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QtTest/qtestcase.h>

#include <cstdint>

namespace cuu::test {

// One Notifier report; value is -1 for the two-argument form.
struct Report {
    std::uint32_t category = 0;
    std::uint32_t code = 0;
    qint64 value = -1;

    friend bool operator==(const Report&, const Report&) = default;
};

// Lets QCOMPARE print reports as "(2, 4, 1)".
inline char* toString(const Report& report) {
    QByteArray text = "(" + QByteArray::number(report.category) + ", " + QByteArray::number(report.code);
    if (report.value >= 0) {
        text += ", " + QByteArray::number(report.value);
    }
    return qstrdup(text + ")");
}

// Records every report in order.
class RecordingNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t category, std::uint32_t code) override { reports.append({category, code, -1}); }
    void notify(std::uint32_t category, std::uint32_t code, std::uint32_t value) override {
        reports.append({category, code, value});
    }

    // The reports of the three-value form, without the value.
    QList<Report> framingReports() const {
        QList<Report> result;
        for (const Report& report : reports) {
            if (report.value >= 0) {
                result.append({report.category, report.code, -1});
            }
        }
        return result;
    }

    bool contains(std::uint32_t category, std::uint32_t code) const {
        for (const Report& report : reports) {
            if (report.category == category && report.code == code) {
                return true;
            }
        }
        return false;
    }

    QList<Report> reports;
};

} // namespace cuu::test

Q_DECLARE_METATYPE(cuu::test::Report)
