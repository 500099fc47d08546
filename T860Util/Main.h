#pragma once
// The main window.

#include <QWidget>

inline constexpr char kMainCaption[] = "BFT860 TouchScreen Utilities";

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
};
