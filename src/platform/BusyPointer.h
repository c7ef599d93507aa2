#pragma once

namespace quillet::platform {

class BusyPointer {
public:
    virtual ~BusyPointer() = default;
    virtual void setBusy(bool busy) = 0;
};

// Application-wide override cursor.
class QtBusyPointer : public BusyPointer {
public:
    ~QtBusyPointer() override;
    void setBusy(bool busy) override;

private:
    bool m_busy = false;
};

} // namespace quillet::platform
