// Program entry: the saved identity, then the command line, then the windows.

#include <exception>

#include "DriverInterface/DriverIO.h"
#include "T860Util/Application.h"
#include "T860Util/CommandLine.h"
#include "T860Util/Main.h"
#include "lib/Utils.h"

int main(int argc, char** argv) {
    uint16_t vendor;
    uint16_t product;
    if (ReadDeviceIdentity(vendor, product)) {
        SetDeviceIdentity(vendor, product);
    }
    const CommandLineEffects effects = ParseCommandLine(argc, argv);

    TApplication app(argc, argv);
    try {
        TfrmMain frmMain;
        if (effects.showMainForm) {
            frmMain.show();
        }
        app.exec();
    } catch (const std::exception& error) {
        ShowExceptionMessage(error.what());
    } catch (...) {
        ShowExceptionMessage("");
    }
    return 0;
}
