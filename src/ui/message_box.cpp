#include "ui/message_box.h"

#include "text/encoding.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace tk {

namespace {
MessageHook g_messageHook;
SaveFileHook g_saveHook;

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void ShowMessage(const Message& message, QWidget* owner) {
    ShownMessage shown{message.text, message.caption.empty() ? Gbk(kDefaultCaptionUtf8) : message.caption,
                       message.icon, owner ? owner->objectName() : QString()};
    if (g_messageHook) {
        g_messageHook(shown);
        return;
    }
    // The owner may go while the box waits (and takes the box with it).
    QPointer<QMessageBox> box = BuildMessageBox(message, owner);
    box->exec();
    delete box.data();
}

QMessageBox* BuildMessageBox(const Message& message, QWidget* owner) {
    const std::string caption = message.caption.empty() ? Gbk(kDefaultCaptionUtf8) : message.caption;
    auto* box = new QMessageBox(BoxIcon(message.icon), FromGbk(caption), FromGbk(message.text), QMessageBox::Ok,
                                owner);
    // Task-modal: no other window of the client takes input until the box is answered.
    box->setWindowModality(Qt::ApplicationModal);
    // The button as a Chinese system labels it, whatever translations are installed.
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->setText(QString::fromUtf8("确定"));
    return box;
}

void SetMessageHook(MessageHook hook) { g_messageHook = std::move(hook); }

MessageRecorder::MessageRecorder() {
    SetMessageHook([this](const ShownMessage& m) { m_shown.push_back(m); });
}

MessageRecorder::~MessageRecorder() { SetMessageHook({}); }

std::string MessageRecorder::lastUtf8() const { return GbkToUtf8(last().text); }

QString AskSaveFileName(QWidget* owner, const QString& caption, const QString& suggestedName,
                        const QString& filter) {
    if (g_saveHook) return g_saveHook(caption, suggestedName);
    return QFileDialog::getSaveFileName(owner, caption, suggestedName, filter);
}

void SetSaveFileHook(SaveFileHook hook) { g_saveHook = std::move(hook); }

SaveFileAnswers::SaveFileAnswers() {
    SetSaveFileHook([this](const QString&, const QString&) {
        ++m_asked;
        if (m_next.empty()) return QString();
        QString next = m_next.front();
        m_next.pop_front();
        return next;
    });
}

SaveFileAnswers::~SaveFileAnswers() { SetSaveFileHook({}); }

} // namespace tk
