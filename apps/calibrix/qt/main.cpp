// calibrix: the measurement program on Linux. One window over the
// measurement workflow, on the JACK server and, when KESTRAVA_TAKE names a
// take, the recorded-file driver; the program ends when the window closes.
#include "apps/calibrix/Drivers.h"
#include "apps/calibrix/qt/MeasurementWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("calibrix");
    kestrava::calibrix::MeasurementWindow window(kestrava::calibrix::calibrixDrivers());
    window.show();
    window.start();
    window.exec();
    return 0;
}
