#pragma once
// The program's icon, drawn rather than shipped as a file.
#include <QIcon>
#include <QPixmap>

namespace drevlin {

QPixmap ProgramIconPixmap(int size);
QIcon ProgramIcon();

}  // namespace drevlin
