#include "T860Util/Application.h"

#include <cstdio>
#include <exception>

#include "Protocol/CommandLine.h"
#include "T860Util/Main.h"
#include "T860Util/UiSeam.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kMainCaption);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowExceptionMessage(error.what());
    } catch (...) {
        ShowExceptionMessage("");
    }
    return false;
}

bool ProgramHasOption(const char* option) {
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (ArgumentHasOption(arguments[i].toLocal8Bit().constData(), option)) {
            return true;
        }
    }
    return false;
}

void ShowExceptionMessage(const char* message) {
    if (QApplication::instance() == nullptr) {
        std::fprintf(stderr, "%s\n", message);
        return;
    }
    ShowMessageBox({QString::fromLocal8Bit(message), QApplication::applicationName(),
                    MessageButtons::Ok, MessageIcon::Error, nullptr});
}
