// The tree's item images and the program icon, drawn by the program itself.
#pragma once

#include <QIcon>

#include "store/item_view.h"

QIcon ItemIcon(ItemImage image);
QIcon ProgramIcon();
