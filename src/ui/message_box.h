#pragma once
// Every message the windows show goes through here, so that tests can see them without a modal box.
#include "app/message.h"

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class QMessageBox;

namespace tk {

inline constexpr const char* kDefaultCaptionUtf8 = "信息：";

// What a box showed (texts GBK as the domain code gave them; the caption with the default filled in).
struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    QString ownerName; // objectName of the owner window; empty when there is none
};

// A task-modal box: the other windows of the client take no input until it is answered.
void ShowMessage(const Message& message, QWidget* owner = nullptr);

// The box ShowMessage shows, not yet shown (the screenshots use it too).
QMessageBox* BuildMessageBox(const Message& message, QWidget* owner);

// Test hook: while set, ShowMessage hands the message to the hook and returns at once.
using MessageHook = std::function<void(const ShownMessage&)>;
void SetMessageHook(MessageHook hook);

// Records every message while it lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<ShownMessage>& shown() const { return m_shown; }
    size_t count() const { return m_shown.size(); }
    ShownMessage last() const { return m_shown.empty() ? ShownMessage{} : m_shown.back(); }
    std::string lastUtf8() const; // text of the last message in UTF-8, for readable test failures
    void clear() { m_shown.clear(); }

private:
    std::vector<ShownMessage> m_shown;
};

// The save-file dialog. Returns the chosen path, or an empty text when the user cancelled.
QString AskSaveFileName(QWidget* owner, const QString& caption, const QString& suggestedName,
                        const QString& filter);

// Test hook: while set, AskSaveFileName returns the next answer without showing a dialog.
using SaveFileHook = std::function<QString(const QString& caption, const QString& suggestedName)>;
void SetSaveFileHook(SaveFileHook hook);

// Answers the save dialog from a queue (empty queue = cancelled) while it lives.
class SaveFileAnswers {
public:
    SaveFileAnswers();
    ~SaveFileAnswers();
    SaveFileAnswers(const SaveFileAnswers&) = delete;
    SaveFileAnswers& operator=(const SaveFileAnswers&) = delete;
    void push(const QString& path) { m_next.push_back(path); }
    int asked() const { return m_asked; }

private:
    std::deque<QString> m_next;
    int m_asked = 0;
};

} // namespace tk
