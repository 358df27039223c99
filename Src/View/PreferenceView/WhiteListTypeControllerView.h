#pragma once

#include <functional>
#include <memory>

#include <QStringList>

#include "QVLibrary/RYListView.h"
#include "View/Extension/KPLExtensionView.h"

namespace Ui {
class WhiteListTypeControllerView;
}

// The white-list categories: duplicate files, similar images, large files.
// A click chooses one and tells the owner through `clickBlock`.
class WhiteListTypeControllerView : public ViewController,
                                    public RYListViewDataSource,
                                    public RYListViewDelegate {
    Q_OBJECT
public:
    explicit WhiteListTypeControllerView(QWidget* parent = nullptr);
    ~WhiteListTypeControllerView() override;

    RYListView* listView() const;
    std::function<void()> clickBlock;
    // The chosen category, -1 for none.
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int index) { selectIndex_ = index; }
    const QStringList& whiteListType() const { return whiteListType_; }

    int numberOfItemsInListView(RYListView* listView) override;
    RYListViewCell* listViewCellForItemAt(RYListView* listView, int index) override;
    double listViewHeightOfRow(RYListView* listView, int row) override;
    void listViewDidClickItemAt(RYListView* listView, int index) override;

private:
    void viewDidLoad();

    std::unique_ptr<Ui::WhiteListTypeControllerView> ui_;
    int selectIndex_ = -1;
    QStringList whiteListType_;
};
