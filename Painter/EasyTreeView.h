#pragma once
// TEasyTree turns a plain tree widget into a two-level editor of typed values:
// groups at the top, values below them. It keeps its own flat node list,
// mirrors it into the tree widget, lets the user edit a value in place, stores
// the parsed value back into the settings block it came from and tells its
// owner which group and value changed.
//
// Everything here belongs to the window thread, except LoadSettings, which
// touches only the node list.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Driver/XlateLib/Settings.h"

class QAbstractItemDelegate;
class QModelIndex;

// Bound on the records built from one settings block.
constexpr int MAX_TV_SIZE = 1000;

struct TEasyTreeNode {
    std::string name;
    std::string unit;
    int32_t level = 0;  // 0 for a group; above 0 for a value
    uint8_t type = 0;   // type code of the value; 0 for a group
    int64_t intValue = 0;
    float floatValue = 0.0f;
    bool editable = false;
    uint8_t* valuePtr = nullptr;  // where the value lives in its settings block, if anywhere
};

// Called after an edit with the tree's userData, the names of the group and
// the value, and the new value as it was stored into the block: the first 1, 2
// or 4 of 4 bytes, in device order when the tree swaps bytes. The texts and
// the value are valid only during the call; the result is not used.
using TEasyTreeEditCallback = std::function<int(int userData, const char* groupName,
                                                const char* settingName, const uint8_t* value)>;

class TEasyTree : public QObject {
    Q_OBJECT
public:
    // Takes over the tree widget's events and shows the demo node list.
    TEasyTree(QTreeWidget* treeView, bool swapBytes, int userData, QObject* parent = nullptr);
    ~TEasyTree() override;

    void SetNotify(bool on) { notifyEdits = on; }
    void SetCallback(TEasyTreeEditCallback callback) { callback_ = std::move(callback); }

    // Replaces the node list with copies of the records and refreshes the tree widget.
    void SetNodes(const TEasyTreeNode* records, int count);

    // Replaces the node list with the groups and values of a settings block;
    // the caller refreshes afterwards. blockEnd, when given, is the end of the
    // buffer that holds the block: nothing at or past it is read, so a block
    // without a terminator cannot lead the tree out of its buffer.
    void LoadSettings(const SettingDescriptor* table, uint8_t* values,
                      const uint8_t* blockEnd = nullptr);

    // Brings the tree widget in line with the node list: texts updated in place
    // when the structure is unchanged (expansion and selection kept), else rebuilt.
    void Refresh();

    // The display text ("name = value unit") or the edit text (the value alone) of a record.
    QString FormatNode(unsigned position, bool editText) const;

    bool tvCheckStructure() const;
    void Rebuild();
    void UpdateTexts();

    // Opens the in-place editor on an editable node, holding the value alone.
    void BeginEdit(QTreeWidgetItem* treeNode);
    // Handles accepted text for the selected node: parses, stores, notifies. On
    // return the text is what the node shows.
    void CommitEdit(QString& text);

    const std::vector<TEasyTreeNode>& Nodes() const { return nodes_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class EditDelegate;

    void OnChange(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void OnDblClick();
    void OnClick();
    void OnKeyUp(int key);
    void OnKeyDown(int key);
    void OnExit();
    // The label editor opens on a node / its text is accepted.
    void OnEditing(const QModelIndex& index);
    void OnEdited(const QModelIndex& index, QString& text);

    // Parses the text into the record at position, stores it through valuePtr
    // and notifies the owner. False (with an assertion trace) for a position
    // outside the list.
    bool StoreEdit(int position, const QString& text);
    void NotifyEdit(int position, const uint8_t* rawValue);
    std::vector<QTreeWidgetItem*> AllTreeNodes() const;

    QPointer<QTreeWidget> treeView_;
    bool swapBytes;
    std::vector<TEasyTreeNode> nodes_;
    bool _editing = false;
    bool editorOpen_ = false;
    bool notifyEdits = false;
    TEasyTreeEditCallback callback_;
    int userData;
    EditDelegate* delegate_;
    QAbstractItemDelegate* previousDelegate_;

    // Where the mouse last went down in any tree: one position for the process.
    static QPoint mouseDownPosition_;
};
