#pragma once

#include "app/SaveDialog.h"

#include <QList>

// A save dialog that a test answers: it records each request and waits
// until the test chooses a path or cancels.
class FakeSaveDialog : public SaveDialog {
public:
    struct Request {
        QString proposedName;
        QString startFolder;
        Answer answer;
    };

    void ask(QWidget*, const QString& proposedName, const QString& startFolder,
             Answer answer) override
    {
        requests.append({proposedName, startFolder, std::move(answer)});
        m_open = true;
    }

    bool isOpen() const { return m_open; }
    const Request& last() const { return requests.last(); }

    // The user confirms `path` in the open dialog.
    void choose(const QString& path) { close(path); }
    // The user dismisses the open dialog.
    void cancel() { close(std::nullopt); }

    QList<Request> requests;

private:
    void close(const std::optional<QString>& path)
    {
        m_open = false;
        requests.last().answer(path);
    }

    bool m_open = false;
};
