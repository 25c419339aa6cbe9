#pragma once

/// A secondary window (a panel) that can be brought to the front and put
/// away. Main thread only.
class Panel {
public:
    virtual ~Panel() = default;
    virtual void makeKeyAndOrderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
};
