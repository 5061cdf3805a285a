#include "app/EditorProgram.h"
#include "app/FontWarmer.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    FontWarmer fonts;
    QApplication app(argc, argv);
    fonts.Join();
    PrepareApplication();
    EditorProgram program;
    program.Window().showNormal();
    return QApplication::exec();
}
