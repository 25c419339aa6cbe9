#pragma once

#include "ui/ProgressIndicator.h"

class QProgressBar;

/// A progress bar as a ProgressIndicator, with the indicator's double
/// values: a maximum (100 at first) and a current value, or a busy display
/// while indeterminate.
///
/// The bar itself counts in whole steps; the value is shown as its share of
/// the maximum, clamped to the bar, so any maximum and fractional values
/// display correctly. The indicator starts determinate unless the bar was
/// made busy (an empty range). Wraps a bar that its window owns and that must
/// outlive this object. Main thread only (asserted).
class ProgressBarIndicator : public ProgressIndicator {
public:
    explicit ProgressBarIndicator(QProgressBar* bar);

    void setMaxValue(double value) override;
    double maxValue() const override;
    void setDoubleValue(double value) override;
    double doubleValue() const override;
    void setIndeterminate(bool indeterminate) override;
    bool isIndeterminate() const override;

    /// The number of steps of a determinate bar.
    static constexpr int Steps = 10000;

private:
    void show();

    QProgressBar* m_bar;
    double m_max = 100;
    double m_value = 0;
    bool m_indeterminate = false;
};
