#pragma once

#include <memory>

#include <QLabel>
#include <QPointer>
#include <QTextDocumentFragment>

#include "PanelTestSupport.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/DataDispaly/RowCountModel.h"

// Drives either right panel the way a user does, so one script can run on
// both: group boxes, file boxes and what the group rows show.
class PanelDriver {
public:
    virtual ~PanelDriver() = default;
    virtual QWidget* widget() = 0;
    virtual void show(const DuplicateFilesList& groups) = 0;
    virtual void clickGroupBox(const DuplicateFilesPtr& group) = 0;
    virtual void clickFileBox(const DuplicateFilesPtr& group, int file) = 0;
    // The group row's cell as it paints now.
    virtual QWidget* groupCell(const DuplicateFilesPtr& group) = 0;
    virtual QWidget* fileCell(const DuplicateFilesPtr& group, int file) = 0;

    int groupBoxState(const DuplicateFilesPtr& group)
    {
        return groupCell(group)->findChild<RYTCheckBox*>(QStringLiteral("checkBox"))->state();
    }
    // The selected count as shown ("1 / 2"), empty when hidden.
    QString countText(const DuplicateFilesPtr& group)
    {
        auto* label = groupCell(group)->findChild<QLabel*>(QStringLiteral("selectCountLabel"));
        return label->isVisible() ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : QString();
    }
    // Whether the count's first number is drawn in the highlight colour.
    bool countHighlighted(const DuplicateFilesPtr& group)
    {
        auto* label = groupCell(group)->findChild<QLabel*>(QStringLiteral("selectCountLabel"));
        const QString html = label->text();
        const qsizetype first = html.indexOf(QStringLiteral("</span>"));
        return first > 0 && html.left(first).contains(QStringLiteral("#ff2f80ed"));
    }
};

class ListDriver : public PanelDriver {
public:
    explicit ListDriver(RightDataListViewDelegate* delegate, QWidget* parent)
        : panel(new RightDataListViewController(parent))
    {
        panel->setDelegate(delegate);
        panel->resize(760, 520);
    }
    ~ListDriver() override
    {
        if (panel) {
            panel->setDelegate(nullptr);
            delete panel.data();
        }
    }

    QWidget* widget() override { return panel; }
    void show(const DuplicateFilesList& groups) override { panel->setDataArray(groups); }
    QModelIndex groupIndex(const DuplicateFilesPtr& group) const
    {
        return panel->outlineModel()->indexOfGroup(group.get());
    }
    void expand(const DuplicateFilesPtr& group)
    {
        if (!panel->outlineModel()->isExpanded(group.get())) {
            clickRowControl(panel->outlineView(), panel->cellDelegate(), groupIndex(group), "arrowButton");
        }
    }
    void clickGroupBox(const DuplicateFilesPtr& group) override
    {
        clickRowControl(panel->outlineView(), panel->cellDelegate(), groupIndex(group), "checkBox");
    }
    void clickFileBox(const DuplicateFilesPtr& group, int file) override
    {
        expand(group);
        clickRowControl(panel->outlineView(), panel->cellDelegate(),
                               panel->outlineModel()->fileIndex(group.get(), file), "checkBox");
    }
    QWidget* groupCell(const DuplicateFilesPtr& group) override
    {
        return panel->cellDelegate()->cellForIndex(groupIndex(group));
    }
    QWidget* fileCell(const DuplicateFilesPtr& group, int file) override
    {
        return panel->cellDelegate()->cellForIndex(panel->outlineModel()->fileIndex(group.get(), file));
    }

    // The driver owns the panel, also once a window let it go.
    QPointer<RightDataListViewController> panel;
};

class PreviewDriver : public PanelDriver {
public:
    explicit PreviewDriver(RightDataPreviewViewDelegate* delegate, QWidget* parent)
        : panel(new RightDataPreviewViewController(parent))
    {
        panel->setDelegate(delegate);
        panel->resize(900, 560);
    }
    ~PreviewDriver() override
    {
        if (panel) {
            panel->setDelegate(nullptr);
            delete panel.data();
        }
    }

    QWidget* widget() override { return panel; }
    void show(const DuplicateFilesList& groups) override { panel->setDataArray(groups); }
    int rowOf(const DuplicateFilesPtr& group) const { return int(panel->filesArray().indexOf(group)); }
    void choose(const DuplicateFilesPtr& group)
    {
        if (panel->mainTableView()->selectedRow() != rowOf(group)) {
            panel->mainTableView()->selectRow(rowOf(group));
        }
    }
    void clickGroupBox(const DuplicateFilesPtr& group) override
    {
        clickRowControl(panel->mainTableView(), panel->mainCells(),
                                           panel->mainModel()->index(rowOf(group), 0), "checkBox");
    }
    void clickFileBox(const DuplicateFilesPtr& group, int file) override
    {
        choose(group);
        clickRowControl(panel->subTableView(), panel->subCells(), panel->subModel()->index(file, 0),
                                           "checkBox");
    }
    QWidget* groupCell(const DuplicateFilesPtr& group) override
    {
        return panel->mainCells()->cellForIndex(panel->mainModel()->index(rowOf(group), 0));
    }
    QWidget* fileCell(const DuplicateFilesPtr& group, int file) override
    {
        choose(group);
        return panel->subCells()->cellForIndex(panel->subModel()->index(file, 0));
    }

    QPointer<RightDataPreviewViewController> panel;
};
