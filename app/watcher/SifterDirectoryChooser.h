#pragma once

#include <QString>

class QWidget;

// Asks the user for the directory to watch; empty when the user cancels.
QString chooseSifterDirectory(QWidget *parent);
