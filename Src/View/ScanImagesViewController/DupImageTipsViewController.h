#pragma once

#include <memory>

#include "Model/ScanImagesItem.h"
#include "View/Extension/KPLExtensionView.h"

class QLabel;
namespace Ui {
class DupImageTipsViewController;
}

// The small tip that names an image ("name / path") above its thumbnail
// while the pointer rests on it. It is laid over the window and takes
// neither the keyboard nor the pointer.
class DupImageTipsViewController : public ViewController {
    Q_OBJECT
public:
    explicit DupImageTipsViewController(QWidget* parent = nullptr);
    ~DupImageTipsViewController() override;

    QLabel* tipsLabel() const;
    ScanImagesItemPtr dupImageItem() const { return dupImageItem_; }
    void setDupImageItem(const ScanImagesItemPtr& item);
    // "name / path" of an image.
    static QString tipText(const ScanImagesItem& item);

    // Shows the tip over `window`, above `anchor` (window coordinates), or
    // below it when there is no room above.
    void showRelativeTo(QWidget* window, const QRect& anchor);
    void close();
    bool isShown() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Ui::DupImageTipsViewController> ui_;
    ScanImagesItemPtr dupImageItem_;
};
