#pragma once

#include "file_dialog.h"

#include <QList>

// A file dialog answered by the test: records what each showing was asked, then answers
// with `answer`, choosing `choose` (or the proposed name when `choose` is empty).
class ScriptedFileDialog : public FileDialog {
public:
    struct Shown {
        bool save;
        QString filter;
        QString title;
        QString proposed;
    };

    Result ShowOpen() override { return show(false); }
    Result ShowSave() override { return show(true); }

    QList<Shown> shown;
    Result answer = Result::Chosen;
    QString choose;

private:
    Result show(bool save) {
        shown.append({save, Filter, DialogTitle, FileName});
        if (answer == Result::Chosen && !choose.isEmpty())
            FileName = choose;
        return answer;
    }
};
