#pragma once

/// A progress bar. Main thread only.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;
    virtual void setMaxValue(double value) = 0;
    virtual double maxValue() const = 0;
    virtual void setDoubleValue(double value) = 0;
    virtual double doubleValue() const = 0;
    virtual void setIndeterminate(bool indeterminate) = 0;
    virtual bool isIndeterminate() const = 0;
};
