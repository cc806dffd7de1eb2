#pragma once

#include "app/SaveDialog.h"

#include <QList>

// A save dialog the test answers: it records each request; the test then
// chooses a path or cancels.
class FakeSaveDialog : public SaveDialog {
public:
    struct Request {
        QString proposedName, startFolder;
        Answer answer;
    };
    void ask(QWidget*, const QString& name, const QString& folder, Answer answer) override
    {
        requests.append({name, folder, std::move(answer)});
    }
    void choose(const QString& path) { requests.last().answer(path); }
    void cancel() { requests.last().answer(std::nullopt); }

    QList<Request> requests;
};
