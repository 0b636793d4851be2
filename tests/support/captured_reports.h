// Error reports caught for a test instead of shown in a box: for the life of the object every
// report is kept here, and the presenter before it comes back afterwards.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "shell/system_error.h"

namespace korvelce::test {

struct Report {
    QString caption;
    QString text;
};

class CapturedReports {
  public:
    CapturedReports() {
        previous_ = setSystemErrorPresenter([this](const QString& caption, const QString& text) {
            reports.push_back({caption, text});
            lines << caption + QStringLiteral(": ") + text;
        });
    }
    ~CapturedReports() { setSystemErrorPresenter(std::move(previous_)); }
    CapturedReports(const CapturedReports&) = delete;
    CapturedReports& operator=(const CapturedReports&) = delete;

    QStringList captions() const {
        QStringList result;
        for (const Report& report : reports)
            result << report.caption;
        return result;
    }

    std::vector<Report> reports;
    QStringList lines;  // each report as "caption: text"

  private:
    SystemErrorPresenter previous_;
};

}  // namespace korvelce::test
