#include "app/EditorProgram.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PrepareApplication();
    EditorProgram program;
    program.Window().showNormal();
    return QApplication::exec();
}
