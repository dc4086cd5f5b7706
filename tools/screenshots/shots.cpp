#include "shots.h"

#include "ui/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPainter>
#include <QWidget>

#include <cstdio>

namespace tk::shots {

int Save(const QImage& image, const QString& dir, const char* name) {
    const QString path = dir + "/" + name;
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

int Save(QWidget& widget, const QString& dir, const char* name) {
    QCoreApplication::processEvents();
    return Save(widget.grab().toImage(), dir, name);
}

QImage WithMessageBox(QWidget& window, const Message& message) {
    QMessageBox* box = BuildMessageBox(message, nullptr);
    box->setWindowModality(Qt::NonModal);
    box->show();
    QCoreApplication::processEvents();
    QImage out = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage over = box->grab().toImage();
    QPainter p(&out);
    p.fillRect(out.rect(), QColor(0, 0, 0, 70));
    const QPoint at((out.width() - over.width()) / 2, (out.height() - over.height()) / 2);
    p.fillRect(QRect(at, over.size()).adjusted(-1, -1, 1, 1), QColor(0x9a, 0xa5, 0xb0));
    p.drawImage(at, over);
    p.end();
    delete box;
    return out;
}

} // namespace tk::shots
