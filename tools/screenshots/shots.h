#pragma once
#include "app/message.h"

#include <QImage>
#include <QString>

class QWidget;

namespace tk::shots {
// Writes image as dir/name (PNG) and prints the path; returns 1 when the file could not be written, else 0.
int Save(const QImage& image, const QString& dir, const char* name);
// The widget as it stands, after pending events have been handled.
int Save(QWidget& widget, const QString& dir, const char* name);
// The window with a message box over its middle and the rest dimmed, as the user sees it.
QImage WithMessageBox(QWidget& window, const Message& message);
} // namespace tk::shots
