#pragma once

#include <functional>
#include <memory>

#include <QStringList>

#include "View/Extension/KPLExtensionView.h"

class ListViewCell;
class PerferenceInfo;
class QListView;
class WhiteListPathModel;

namespace Ui {
class WhiteListDetailControllerView;
}

// The paths of one white list, read from its own settings object, which the
// owner replaces whenever the list is to show the file again. The list is a
// model with a painting delegate: choosing a row repaints two rows, however
// many paths the list holds.
class WhiteListDetailControllerView : public ViewController {
    Q_OBJECT
public:
    explicit WhiteListDetailControllerView(QWidget* parent = nullptr);
    ~WhiteListDetailControllerView() override;

    // The three categories: 0 duplicate files, 1 similar images, 2 large files.
    static constexpr int categoryCount = 3;
    static QString settingsKey(int category);
    static QStringList paths(const PerferenceInfo& settings, int category);
    static void setPaths(PerferenceInfo& settings, int category, const QStringList& paths);

    QListView* listView() const;
    WhiteListPathModel* model() const { return model_; }
    std::function<void()> clickBlock;
    // Made on first use from the settings file.
    std::shared_ptr<PerferenceInfo> preferenceInfo();
    void setPreferenceInfo(std::shared_ptr<PerferenceInfo> settings);
    // The selected row, -1 for none.
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int index);
    int whiteListTypeIndex() const { return whiteListTypeIndex_; }
    void setWhiteListTypeIndex(int index) { whiteListTypeIndex_ = index; }

    // Shows the paths of category whiteListTypeIndex() in the settings object.
    void reloadData();
    // How many rows the list shows: the paths of the category, or one empty
    // row for a category outside the three.
    int numberOfItems() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewDidLoad();
    void didClickItemAt(int row);

    std::unique_ptr<Ui::WhiteListDetailControllerView> ui_;
    WhiteListPathModel* model_ = nullptr;
    ListViewCell* cell_ = nullptr;
    std::shared_ptr<PerferenceInfo> preferenceInfo_;
    int selectIndex_ = -1;
    int whiteListTypeIndex_ = 0;
};
