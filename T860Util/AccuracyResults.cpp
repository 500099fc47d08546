#include "T860Util/AccuracyResults.h"

#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "T860Util/UiSeam.h"

namespace {

const QColor kPassColor(0, 140, 0);
const QColor kFailColor(200, 0, 0);
const QColor kDesktopColor(0, 0, 255);
constexpr int kViewMargin = 16;
constexpr int kLegendHeight = 62;
// Of the drawn screen's shorter side; the outer targets are 10 % from the edge.
constexpr double kLongestArrow = 0.09;

// Offsets smaller than this are not worth enlarging.
constexpr double kSmallestEnlargedPx = 0.1;
constexpr double kLongestScaleBar = 150;

// 1, 2, 5, 10, 20, 50, ... up to 500: the largest not above the wanted value.
double RoundScale(double wanted) {
    double scale = 1;
    for (double decade = 1; decade <= 100; decade *= 10) {
        for (double step : {1.0, 2.0, 5.0}) {
            if (step * decade <= wanted) {
                scale = step * decade;
            }
        }
    }
    return scale;
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to) {
    painter.drawLine(from, to);
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    if (length < 4) {
        return;
    }
    const QPointF unit = along / length;
    const QPointF across(-unit.y(), unit.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - unit * 9 + across * 4);
    head.lineTo(to - unit * 9 - across * 4);
    head.closeSubpath();
    painter.fillPath(head, painter.pen().color());
}

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString PointText(const AccuracyPoint& point) {
    return Number(point.X, 1) + ", " + Number(point.Y, 1);
}

}  // namespace

TAccuracyArrowView::TAccuracyArrowView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 240);
}

void TAccuracyArrowView::Show(const AccuracyResult& result) {
    result_ = result;
    update();
}

void TAccuracyArrowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!result_ || result_->Screen.WidthPx <= 0 || result_->Screen.HeightPx <= 0) {
        return;
    }
    const AccuracyResult& result = *result_;
    const double screenW = result.Screen.WidthPx;
    const double screenH = result.Screen.HeightPx;
    const double scale = std::min((width() - 2 * kViewMargin) / screenW,
                                  (height() - 2 * kViewMargin - kLegendHeight) / screenH);
    if (scale <= 0) {
        return;
    }
    const QPointF origin(kViewMargin, kViewMargin);
    const auto toView = [&](const AccuracyPoint& p) {
        return origin + QPointF(p.X * scale, p.Y * scale);
    };
    painter.setPen(Qt::darkGray);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(origin, QSizeF(screenW * scale, screenH * scale)));

    const AccuracySummaryValues summary =
        Summarise(result.Samples, result.Screen, result.Thresholds);
    // The longest arrow stays within the margin between the outer targets and
    // the screen's edge, whatever its direction.
    const double longest = kLongestArrow * std::min(screenW, screenH) * scale;
    arrowScale_ = summary.LargestOffsetPx > kSmallestEnlargedPx
                      ? RoundScale(longest / (summary.LargestOffsetPx * scale))
                      : 1;
    for (size_t i = 0; i < result.Samples.size(); ++i) {
        const TargetSample& sample = result.Samples[i];
        const QPointF target = toView(sample.Target);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(target - QPointF(6, 0), target + QPointF(6, 0));
        painter.drawLine(target - QPointF(0, 6), target + QPointF(0, 6));
        painter.drawText(target + QPointF(-16, 16), QString::number(i + 1));
        if (!sample.Taken) {
            painter.setPen(Qt::gray);
            painter.drawText(target + QPointF(6, 14), "not taken");
            continue;
        }
        if (sample.Desktop) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kDesktopColor);
            painter.drawEllipse(toView(*sample.Desktop), 3.5, 3.5);
        }
        const TargetVerdict verdict = JudgeTarget(sample, result.Screen, result.Thresholds);
        painter.setPen(QPen(verdict.Passed ? kPassColor : kFailColor, 2));
        DrawArrow(painter, target,
                  target + QPointF(verdict.Offset.X, verdict.Offset.Y) * scale * arrowScale_);
    }

    // The scale: a bar as long as a round offset is drawn, and the legend.
    const double barPx = RoundScale(kLongestScaleBar / (scale * arrowScale_));
    const double top = origin.y() + screenH * scale + 14;
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(QPointF(origin.x(), top),
                     QPointF(origin.x() + barPx * scale * arrowScale_, top));
    painter.setPen(Qt::black);
    painter.drawText(
        QPointF(origin.x() + barPx * scale * arrowScale_ + 8, top + 4),
        QString("= %1 px of offset (arrows enlarged %2\u00D7)").arg(barPx).arg(arrowScale_));
    painter.setPen(kPassColor);
    painter.drawText(QPointF(origin.x(), top + 22), "Green: passed");
    painter.setPen(kFailColor);
    painter.drawText(QPointF(origin.x() + 110, top + 22), "Red: failed");
    painter.setPen(kDesktopColor);
    painter.drawText(QPointF(origin.x(), top + 40),
                     "Blue dots: where the desktop put the touch (not enlarged)");
}

TAccuracyResults::TAccuracyResults(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    CreateControls();
    LayOutControls();
    ConnectControls();
}

void TAccuracyResults::CreateControls() {
    ArrowView = new TAccuracyArrowView(this);
    lbSummary = new QLabel(this);
    lbSummary->setTextFormat(Qt::RichText);
    lbSummary->setWordWrap(true);
    edOffsetLimit = new QDoubleSpinBox(this);
    edJitterLimit = new QDoubleSpinBox(this);
    const AccuracyThresholds defaults;
    for (auto [edit, value] : {std::pair{edOffsetLimit, defaults.OffsetPercent},
                               std::pair{edJitterLimit, defaults.JitterPercent}}) {
        edit->setRange(0.05, 20);
        edit->setDecimals(2);
        edit->setSingleStep(0.1);
        edit->setSuffix(" % of the diagonal");
        edit->setValue(value);
    }
    tbTargets = new QTableWidget(0, 10, this);
    tbTargets->setHorizontalHeaderLabels({"#", "Target", "Mean", "Offset px", "Offset mm",
                                          "Jitter SD", "Jitter max", "Packets", "Desktop",
                                          "Result"});
    tbTargets->verticalHeader()->hide();
    tbTargets->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    tbTargets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbTargets->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbTargets->setSelectionMode(QAbstractItemView::SingleSelection);
    lbKeepFailure = new QLabel(this);
    lbKeepFailure->setWordWrap(true);
    lbKeepFailure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette failure = lbKeepFailure->palette();
    failure.setColor(QPalette::WindowText, kFailColor);
    lbKeepFailure->setPalette(failure);
    lbKeepFailure->hide();
    lbMapping = new QLabel(this);
    lbMapping->setWordWrap(true);
    lbMapping->setTextInteractionFlags(Qt::TextSelectableByMouse);
    edAdvice = new QPlainTextEdit(this);
    edAdvice->setReadOnly(true);
    edAdvice->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edAdvice->setFont(QFont("Monospace"));
    edAdvice->setMinimumHeight(120);
    btnSave = new QPushButton("Save Results...", this);
    btnRedo = new QPushButton("Redo Target", this);
    btnRedo->setEnabled(false);
    btnCoverage = new QPushButton("Coverage Test", this);
    btnStartAgain = new QPushButton("Start Again", this);
    btnClose = new QPushButton("Close", this);
}

void TAccuracyResults::LayOutControls() {
    auto* limits = new QFormLayout;
    limits->addRow("Offset limit:", edOffsetLimit);
    limits->addRow("Jitter limit:", edJitterLimit);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnSave, btnRedo, btnCoverage, btnStartAgain, btnClose}) {
        buttons->addWidget(button);
    }
    auto* left = new QVBoxLayout;
    left->addWidget(ArrowView, 3);
    left->addWidget(tbTargets, 2);
    auto* right = new QVBoxLayout;
    right->addWidget(lbSummary);
    right->addWidget(lbKeepFailure);
    right->addLayout(limits);
    right->addSpacing(12);
    right->addWidget(lbMapping);
    right->addWidget(edAdvice);
    right->addStretch(1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
}

void TAccuracyResults::ConnectControls() {
    for (QDoubleSpinBox* edit : {edOffsetLimit, edJitterLimit}) {
        connect(edit, &QDoubleSpinBox::valueChanged, this, [this] { emit ThresholdsChanged(); });
    }
    auto* saveAction = new QAction("Save Results...", this);
    connect(saveAction, &QAction::triggered, this, &TAccuracyResults::btnSaveClick);
    addAction(saveAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(btnSave, &QPushButton::clicked, this, &TAccuracyResults::btnSaveClick);
    connect(btnRedo, &QPushButton::clicked, this, [this] {
        if (tbTargets->currentRow() >= 0) {
            emit RedoRequested(tbTargets->currentRow());
        }
    });
    connect(tbTargets, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { emit RedoRequested(row); });
    connect(tbTargets, &QTableWidget::itemSelectionChanged, this,
            [this] { btnRedo->setEnabled(!tbTargets->selectedItems().isEmpty()); });
    connect(btnCoverage, &QPushButton::clicked, this, [this] { emit CoverageRequested(); });
    connect(btnStartAgain, &QPushButton::clicked, this, [this] { emit StartAgainRequested(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { emit CloseRequested(); });
}

AccuracyThresholds TAccuracyResults::Thresholds() const {
    return {edOffsetLimit->value(), edJitterLimit->value()};
}

void TAccuracyResults::Show(const AccuracyResult& result) {
    result_ = result;
    ArrowView->Show(result);
    FillTable(result);
    FillSummary(result);
    lbMapping->setText("Desktop mapping: " + QString::fromStdString(result.MappingText));
    edAdvice->setPlainText(QString::fromStdString(result.Advice));
    edAdvice->setVisible(!result.Advice.empty());
    lbKeepFailure->clear();
    lbKeepFailure->hide();
}

void TAccuracyResults::ShowKeepFailure(const std::string& reason) {
    lbKeepFailure->setText("This result was not kept as the last result: " +
                           QString::fromStdString(reason));
    lbKeepFailure->show();
}

void TAccuracyResults::FillSummary(const AccuracyResult& result) {
    const AccuracySummaryValues summary =
        Summarise(result.Samples, result.Screen, result.Thresholds);
    const double diagonal = result.Screen.DiagonalPx();
    const auto millimetres = [&](double px) {
        const std::optional<double> mm =
            result.Screen.Millimetres(px / std::sqrt(2.0), px / std::sqrt(2.0));
        return mm ? " (" + Number(*mm, 1) + " mm)" : QString();
    };
    const QColor color = summary.Passed ? kPassColor : kFailColor;
    lbSummary->setText(
        QString("<b>Largest offset:</b> %1 px%2, mean %3 px; limit %4 px<br>"
                "<b>Largest jitter:</b> %5 px (standard deviation); limit %6 px<br>"
                "<b>Targets taken:</b> %7 of %8 &nbsp; <b style=\"color:%9\">%10</b>")
            .arg(Number(summary.LargestOffsetPx, 1), millimetres(summary.LargestOffsetPx),
                 Number(summary.MeanOffsetPx, 1),
                 Number(result.Thresholds.OffsetPercent / 100 * diagonal, 1),
                 Number(summary.LargestJitterPx, 2),
                 Number(result.Thresholds.JitterPercent / 100 * diagonal, 1))
            .arg(summary.Targets)
            .arg(result.Samples.size())
            .arg(color.name(), summary.Passed ? "PASSED" : "FAILED"));
}

void TAccuracyResults::FillTable(const AccuracyResult& result) {
    tbTargets->setRowCount(static_cast<int>(result.Samples.size()));
    for (int row = 0; row < tbTargets->rowCount(); ++row) {
        const TargetSample& sample = result.Samples[static_cast<size_t>(row)];
        const TargetVerdict verdict = JudgeTarget(sample, result.Screen, result.Thresholds);
        const QString cells[10] = {
            QString::number(row + 1),
            Number(sample.Target.X, 0) + ", " + Number(sample.Target.Y, 0),
            sample.Taken ? PointText(sample.Controller.Mean) : "",
            sample.Taken ? Number(verdict.OffsetPx, 1) : "",
            sample.Taken && verdict.OffsetMm ? Number(*verdict.OffsetMm, 2) : "",
            sample.Taken ? Number(sample.Controller.JitterSd, 2) : "",
            sample.Taken ? Number(sample.Controller.JitterLargest, 2) : "",
            sample.Taken ? QString::number(sample.Controller.Packets) : "",
            !sample.Taken    ? ""
            : sample.Desktop ? PointText(*sample.Desktop)
                             : "no touch events",
            !sample.Taken    ? "not taken"
            : verdict.Passed ? "pass"
                             : "fail",
        };
        for (int column = 0; column < 10; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 9 && sample.Taken) {
                item->setForeground(verdict.Passed ? kPassColor : kFailColor);
            }
            tbTargets->setItem(row, column, item);
        }
    }
    tbTargets->resizeColumnsToContents();
}

void TAccuracyResults::btnSaveClick() {
    if (result_) {
        SaveResultsWithPrompt(this, *result_);
    }
}

bool TAccuracyResults::SaveTo(const QString& path) {
    return result_ && SaveResultsTo(this, *result_, path);
}

void SaveResultsWithPrompt(QWidget* view, const AccuracyResult& result) {
    const std::optional<QString> path = PromptSaveFileName(
        {view, "Accuracy results (*.json)|*.JSON", ".json", "T860Accuracy.json"});
    if (path) {
        SaveResultsTo(view, result, *path);
    }
}

bool SaveResultsTo(QWidget* view, const AccuracyResult& result, const QString& path) {
    std::string error;
    const QFileInfo file(path);
    const QString picture = file.dir().filePath(file.completeBaseName() + ".png");
    if (!SaveAccuracyFile(QFile::encodeName(path).toStdString(), result, error)) {
        ShowMessageBox({QString::fromStdString(error), "Save Results", MessageButtons::Ok,
                        MessageIcon::Error, view});
        return false;
    }
    if (!view->grab().save(picture, "PNG")) {
        ShowMessageBox({"Could not write " + picture + ".", "Save Results", MessageButtons::Ok,
                        MessageIcon::Error, view});
        return false;
    }
    return true;
}

void TAccuracyResults::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrowView->update();
}
