#pragma once

#include <functional>
#include <memory>

#include <QStringList>

#include "QVLibrary/RYListView.h"
#include "View/Extension/KPLExtensionView.h"

class PerferenceInfo;

namespace Ui {
class WhiteListDetailControllerView;
}

// The paths of one white list, read from its own settings object, which the
// owner replaces whenever the list is to show the file again.
class WhiteListDetailControllerView : public ViewController,
                                      public RYListViewDataSource,
                                      public RYListViewDelegate {
    Q_OBJECT
public:
    explicit WhiteListDetailControllerView(QWidget* parent = nullptr);
    ~WhiteListDetailControllerView() override;

    // The three categories: 0 duplicate files, 1 similar images, 2 large files.
    static constexpr int categoryCount = 3;
    static QString settingsKey(int category);
    static QStringList paths(const PerferenceInfo& settings, int category);
    static void setPaths(PerferenceInfo& settings, int category, const QStringList& paths);
    // The look both white lists share.
    static void configureList(RYListView* list);

    RYListView* listView() const;
    std::function<void()> clickBlock;
    // Made on first use from the settings file.
    std::shared_ptr<PerferenceInfo> preferenceInfo();
    void setPreferenceInfo(std::shared_ptr<PerferenceInfo> settings);
    // The selected row, -1 for none.
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int index) { selectIndex_ = index; }
    int whiteListTypeIndex() const { return whiteListTypeIndex_; }
    void setWhiteListTypeIndex(int index) { whiteListTypeIndex_ = index; }

    int numberOfItemsInListView(RYListView* listView) override;
    RYListViewCell* listViewCellForItemAt(RYListView* listView, int index) override;
    double listViewHeightOfRow(RYListView* listView, int row) override;
    void listViewDidClickItemAt(RYListView* listView, int index) override;

private:
    void viewDidLoad();
    QStringList shownPaths();

    std::unique_ptr<Ui::WhiteListDetailControllerView> ui_;
    std::shared_ptr<PerferenceInfo> preferenceInfo_;
    int selectIndex_ = -1;
    int whiteListTypeIndex_ = 0;
};
