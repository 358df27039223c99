#pragma once

#include <memory>
#include <vector>

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

// One size constraint of a box: its width or height equal to, or at least, a
// constant.
struct LayoutConstraint {
    enum class Attribute { width, height };
    enum class Relation { equal, greaterThanOrEqual };
    Attribute attribute = Attribute::width;
    Relation relation = Relation::equal;
    double constant = 0.0;
};

// A box that shows one content view at a time, filling the box. The content
// belongs to whoever made it: a view taken out of the box is hidden and
// detached, never deleted. The box's size follows the constraints installed
// on it.
class ContentBox : public QWidget {
    Q_OBJECT
public:
    explicit ContentBox(QWidget* parent = nullptr);
    ~ContentBox() override;

    QWidget* contentView() const { return content_; }
    void setContentView(QWidget* view);

    void addConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    void removeConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const { return constraints_; }
    // Applies the installed constraints again after their constants changed.
    void constraintsChanged() { applyConstraints(); }

private:
    void detachContent();
    void applyConstraints();

    QVBoxLayout* layout_;
    QPointer<QWidget> content_;
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
};
