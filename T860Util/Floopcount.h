#pragma once
// The floop counter: counts the "F loop" notices of channel 0, shown or not.

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;

class TfrmFloopCount : public QWidget {
    Q_OBJECT
public:
    explicit TfrmFloopCount(QWidget* parent = nullptr);
    ~TfrmFloopCount() override;

    QLabel* Label1;  // the count lives in its "Tag" property
    QPushButton* btnClear;

    int32_t Count() const;
    void btnClearClick();

private:
    friend void CountFloop(int32_t unit, int32_t value);
    void SetCount(int32_t count);
};

extern TfrmFloopCount* frmFloopCount;

// Adds one to the count; window thread (handed over with SyncCall).
void CountFloop(int32_t unit, int32_t value);
