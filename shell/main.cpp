// The vantrel firmware updater: no arguments, one window.
#include <QApplication>

#include "CVantrelApp.h"

namespace {
CVantrelApp theApp;
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
