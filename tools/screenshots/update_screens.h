#pragma once
#include <QString>

// Renders the update window in its three states and the about window in both colours into dir.
// Returns the number of pictures that could not be written.
int SaveUpdateScreens(const QString& dir);
