#pragma once
// What the progress window painted: each (message, bar) pair in the order it
// was drawn, a repeat of the one before left out.
#include "dialogs/frmwait.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace testsupport {

class PaintedStages : public QObject {
public:
    struct Stage {
        QString text;
        int bar = 0;
        bool operator==(const Stage&) const = default;
    };
    std::vector<Stage> stages;

    PaintedStages() { qApp->installEventFilter(this); }
    ~PaintedStages() override { qApp->removeEventFilter(this); }

    // The messages in the order shown, each once.
    QStringList texts() const
    {
        QStringList out;
        for (const Stage& s : stages)
            if (out.isEmpty() || out.back() != s.text)
                out << s.text;
        return out;
    }
    QString describe() const
    {
        QStringList out;
        for (const Stage& s : stages)
            out << QStringLiteral("%1 %2").arg(s.bar).arg(s.text);
        return out.join(QStringLiteral(" → "));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && melodune::FrmWait::isLoaded()) {
            melodune::FrmWait* w = melodune::FrmWait::instance(nullptr);
            if (watched == w->ProgressBar1) {
                const Stage s{w->Label1->text(), w->ProgressBar1->value()};
                if (stages.empty() || !(stages.back() == s))
                    stages.push_back(s);
            }
        }
        return false;
    }
};

} // namespace testsupport
