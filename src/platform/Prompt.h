#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <optional>

class QWidget;

namespace quillet::platform {

// How the offsets of several frames change: each set to x and/or y, or all
// shifted by x, y.
struct OffsetRequest {
    bool shift = false;
    bool setX = true;
    bool setY = true;
    int x = 0;
    int y = 0;
};

// Pixels of one palette index become another, each 0 to 255.
struct IndexSwap {
    int from = 0;
    int to = 0;
};

// The questions that want more than Yes or No. Each returns nothing when
// the user cancels.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual std::optional<int> number(const QString& title, const QString& label, int value,
                                      int min, int max) = 0;
    virtual std::optional<QString> text(const QString& title, const QString& label,
                                        const QString& value) = 0;
    // `label` says what the offsets are changed for.
    virtual std::optional<OffsetRequest> offsets(const QString& title, const QString& label,
                                                 const OffsetRequest& start) = 0;
    // `colours` holds the colour each index stands for, to show beside it.
    virtual std::optional<IndexSwap> indexSwap(const QString& title, const IndexSwap& start,
                                               const QList<QRgb>& colours) = 0;
};

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent) : m_parent(parent) {}
    std::optional<int> number(const QString& title, const QString& label, int value, int min,
                              int max) override;
    std::optional<QString> text(const QString& title, const QString& label,
                                const QString& value) override;
    std::optional<OffsetRequest> offsets(const QString& title, const QString& label,
                                         const OffsetRequest& start) override;
    std::optional<IndexSwap> indexSwap(const QString& title, const IndexSwap& start,
                                       const QList<QRgb>& colours) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::platform
