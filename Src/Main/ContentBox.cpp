#include "ContentBox.h"

#include <QVBoxLayout>

#include <algorithm>

ContentBox::ContentBox(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

ContentBox::~ContentBox()
{
    detachContent();
}

void ContentBox::detachContent()
{
    if (!content_) {
        return;
    }
    layout_->removeWidget(content_);
    content_->hide();
    if (content_->parentWidget() == this) {
        content_->setParent(nullptr);
    }
    content_ = nullptr;
}

void ContentBox::setContentView(QWidget* view)
{
    if (view == content_) {
        return;
    }
    detachContent();
    content_ = view;
    if (view) {
        layout_->addWidget(view);
        view->show();
    }
}

void ContentBox::addConstraint(const std::shared_ptr<LayoutConstraint>& constraint)
{
    if (!constraint || std::find(constraints_.begin(), constraints_.end(), constraint) != constraints_.end()) {
        return;
    }
    constraints_.push_back(constraint);
    applyConstraints();
}

void ContentBox::removeConstraint(const std::shared_ptr<LayoutConstraint>& constraint)
{
    constraints_.erase(std::remove(constraints_.begin(), constraints_.end(), constraint), constraints_.end());
    applyConstraints();
}

void ContentBox::applyConstraints()
{
    int minWidth = 0;
    int minHeight = 0;
    int maxWidth = QWIDGETSIZE_MAX;
    int maxHeight = QWIDGETSIZE_MAX;
    for (const auto& c : constraints_) {
        const int value = static_cast<int>(c->constant);
        const bool width = c->attribute == LayoutConstraint::Attribute::width;
        int& least = width ? minWidth : minHeight;
        int& most = width ? maxWidth : maxHeight;
        least = std::max(least, value);
        if (c->relation == LayoutConstraint::Relation::equal) {
            most = std::min(most, value);
        }
    }
    setMinimumSize(minWidth, minHeight);
    setMaximumSize(std::max(maxWidth, minWidth), std::max(maxHeight, minHeight));
}
