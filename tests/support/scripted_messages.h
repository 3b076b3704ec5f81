#pragma once

#include "messages.h"

#include <QList>
#include <QString>

#include <functional>

// Message boxes answered by the test: each message is recorded, and an optional action runs
// while the "box" is open (as the user could act while a modal box waits).
class ScriptedMessages : public MessageBoxes {
public:
    struct Shown {
        QString text;
        QString title;
        QString cause;
    };

    void message(const QString& text, const QString& title, const QString& cause) override {
        shown.append({text, title, cause});
        if (whileOpen)
            whileOpen(text);
    }

    QStringList texts() const {
        QStringList out;
        for (const auto& s : shown)
            out << s.text;
        return out;
    }

    QList<Shown> shown;
    std::function<void(const QString&)> whileOpen;
};
