#pragma once
#include <QString>

// Renders the main window: the personal centre, the password page, the collector during and after a run
// against a sample-search of its own, and the completion message. Returns the number of pictures not written.
int SaveMainScreens(const QString& dir);
