// The program's icon (a page under a magnifying glass with a red mark), painted in code for
// the frame and the about box, so no image file has to travel with the program.
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap AppIconPixmap(int size);
QIcon AppIcon();
