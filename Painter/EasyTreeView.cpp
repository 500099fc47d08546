#include "Painter/EasyTreeView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <array>
#include <bit>
#include <cstring>

#include "Painter/ValueText.h"
#include "lib/ByteOrder.h"
#include "lib/Trace.h"

namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr const char* kHiddenGroup = "My";

TEasyTreeNode DemoGroup(const char* name) {
    return TEasyTreeNode{name, "", 0, 0, 0, 0.0f, false, nullptr};
}

TEasyTreeNode DemoValue(const char* name, uint8_t type, int64_t value) {
    return TEasyTreeNode{name, "mm", 1, type, value, static_cast<float>(value), true, nullptr};
}

// What a new tree shows until its owner loads content.
const std::array<TEasyTreeNode, 9> kDemoNodes = {
    DemoGroup("PANEL"),
    DemoValue("WIDTH", SettingType::FLOAT, 2395),
    DemoValue("HEIGHT", SettingType::FLOAT, 1123),
    DemoGroup("CAM0"),
    DemoValue("X", SettingType::UINT16, 0),
    DemoValue("Y", SettingType::UINT16, -65),
    DemoGroup("CAM1"),
    DemoValue("X", SettingType::UINT16, 0),
    DemoValue("Y", SettingType::UINT16, -65),
};

int Tag(const QTreeWidgetItem* node) {
    return node->data(0, kTagRole).toInt();
}

bool IsIntegerType(uint8_t type) {
    return type >= SettingType::UINT8 && type <= SettingType::SINT32;
}

// Width of a value the tree can read and write; 0 for codes it leaves alone.
int ValueWidth(uint8_t type) {
    return type >= SettingType::UINT8 && type <= SettingType::FLOAT ? settingsTypeSize(type) : 0;
}

TEasyTreeNode GroupRecord(uint8_t parentId) {
    return TEasyTreeNode{parentNames[parentId / 16], "", 0, 0, 0, 0.0f, false, nullptr};
}

TEasyTreeNode ValueRecord(const SettingDescriptor& descriptor, uint8_t* address, bool swap) {
    TEasyTreeNode record{
        settingsChildName(descriptor.childId), "", 1, descriptor.typeCode, 0, 0.0f, true, nullptr};
    if (ValueWidth(descriptor.typeCode) == 0) {
        return record;
    }
    record.valuePtr = address;
    uint16_t bits16 = 0;
    uint32_t bits32 = 0;
    switch (descriptor.typeCode) {
        case SettingType::UINT8:
            record.intValue = address[0];
            break;
        case SettingType::SINT8:
            record.intValue = static_cast<int8_t>(address[0]);
            break;
        case SettingType::UINT16:
            std::memcpy(&bits16, address, 2);
            record.intValue = SwapUShort(bits16, swap);
            break;
        case SettingType::SINT16:
            std::memcpy(&bits16, address, 2);
            record.intValue = static_cast<int16_t>(SwapUShort(bits16, swap));
            break;
        case SettingType::UINT32:
            std::memcpy(&bits32, address, 4);
            record.intValue = static_cast<uint32_t>(SwapLong(static_cast<int32_t>(bits32), swap));
            break;
        case SettingType::SINT32:
            std::memcpy(&bits32, address, 4);
            record.intValue = SwapLong(static_cast<int32_t>(bits32), swap);
            break;
        default:  // FLOAT
            std::memcpy(&bits32, address, 4);
            record.floatValue = SwapFloat(bits32, swap);
            break;
    }
    return record;
}

// How much of a block may be read: descriptors from the table, bytes from the
// value area. Unbounded when the caller gives no end.
struct BlockBounds {
    size_t descriptors = SIZE_MAX;
    size_t valueBytes = SIZE_MAX;

    BlockBounds(const SettingDescriptor* table, const uint8_t* values, const uint8_t* blockEnd) {
        if (blockEnd == nullptr) {
            return;
        }
        const auto end = reinterpret_cast<uintptr_t>(blockEnd);
        const auto tableStart = reinterpret_cast<uintptr_t>(table);
        const auto valueStart = reinterpret_cast<uintptr_t>(values);
        descriptors = tableStart < end ? (end - tableStart) / sizeof(SettingDescriptor) : 0;
        valueBytes = valueStart < end ? end - valueStart : 0;
    }
};

}  // namespace

// The label editor of the tree widget, reporting its begin and its accepted
// text to the tree.
class TEasyTree::EditDelegate : public QStyledItemDelegate {
public:
    EditDelegate(TEasyTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        tree_->OnEditing(index);
        tree_->editorOpen_ = true;
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        tree_->editorOpen_ = false;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* lineEdit = qobject_cast<QLineEdit*>(editor);
        if (lineEdit == nullptr) {
            return;
        }
        QString text = lineEdit->text();
        tree_->OnEdited(index, text);
        model->setData(index, text, Qt::EditRole);
    }

private:
    TEasyTree* tree_;
};

QPoint TEasyTree::mouseDownPosition_;

TEasyTree::TEasyTree(QTreeWidget* treeView, bool swapBytes, int userData, QObject* parent)
    : QObject(parent),
      treeView_(treeView),
      swapBytes(swapBytes),
      userData(userData),
      delegate_(new EditDelegate(this)),
      previousDelegate_(treeView->itemDelegate()) {
    // A plain tree: one column, no header; labels are edited only through
    // BeginEdit, or by a click on the label of the selected node.
    treeView->setColumnCount(1);
    treeView->setHeaderHidden(true);
    treeView->setEditTriggers(QAbstractItemView::SelectedClicked);
    treeView->setItemDelegate(delegate_);
    treeView->installEventFilter(this);
    treeView->viewport()->installEventFilter(this);
    connect(treeView, &QTreeWidget::currentItemChanged, this, &TEasyTree::OnChange);
    connect(treeView, &QTreeWidget::itemDoubleClicked, this, &TEasyTree::OnDblClick);
    SetNodes(kDemoNodes.data(), static_cast<int>(kDemoNodes.size()));
}

TEasyTree::~TEasyTree() {
    if (treeView_ == nullptr) {
        return;
    }
    treeView_->removeEventFilter(this);
    treeView_->viewport()->removeEventFilter(this);
    if (treeView_->itemDelegate() == delegate_) {
        treeView_->setItemDelegate(previousDelegate_);
    }
}

void TEasyTree::SetNodes(const TEasyTreeNode* records, int count) {
    nodes_.clear();
    if (records != nullptr && count > 0) {
        nodes_.assign(records, records + count);
    }
    Refresh();
}

void TEasyTree::LoadSettings(const SettingDescriptor* table, uint8_t* values,
                             const uint8_t* blockEnd) {
    nodes_.clear();
    if (table == nullptr) {
        return;
    }
    const BlockBounds bounds(table, values, blockEnd);
    const auto outOfBlock = [] {
        TraceError("Settings block ends inside its descriptor table", __FILE__, __LINE__);
    };
    int previousGroup = -1;
    size_t position = 0;
    size_t valueOffset = 0;
    int counter = 0;
    if (bounds.descriptors == 0) {
        outOfBlock();
        return;
    }
    for (;;) {
        const SettingDescriptor& descriptor = table[position];
        if (descriptor.parentId != previousGroup) {
            // The same descriptor is taken again on the next pass, as a value.
            nodes_.push_back(GroupRecord(descriptor.parentId));
            previousGroup = descriptor.parentId;
        } else {
            const size_t width = static_cast<size_t>(ValueWidth(descriptor.typeCode));
            if (width > 0 && (values == nullptr || valueOffset + width > bounds.valueBytes)) {
                outOfBlock();
                return;
            }
            nodes_.push_back(ValueRecord(descriptor, values + valueOffset, swapBytes));
            valueOffset += width;
            ++position;
        }
        if (position >= bounds.descriptors) {
            outOfBlock();
            return;
        }
        if (table[position].typeCode == 0 || table[position].flags == 0) {
            return;
        }
        if (++counter > MAX_TV_SIZE) {
            TraceError("MAX_TV_SIZE Exceeded", __FILE__, __LINE__);
            return;
        }
    }
}

void TEasyTree::Refresh() {
    if (tvCheckStructure()) {
        UpdateTexts();
    } else {
        Rebuild();
    }
}

QString TEasyTree::FormatNode(unsigned position, bool editText) const {
    if (position >= nodes_.size()) {
        return QString();
    }
    const TEasyTreeNode& record = nodes_[position];
    const QString name = QString::fromStdString(record.name);
    if (!record.editable) {
        return name;
    }
    QString number;
    if (IsIntegerType(record.type)) {
        number = QString::number(record.intValue);
    } else if (record.type == SettingType::FLOAT) {
        number = FloatValueText(record.floatValue);
    } else {
        return name;
    }
    if (editText) {
        return number;
    }
    return name + QStringLiteral(" = ") + number + QLatin1Char(' ') +
           QString::fromStdString(record.unit);
}

std::vector<QTreeWidgetItem*> TEasyTree::AllTreeNodes() const {
    std::vector<QTreeWidgetItem*> all;
    if (treeView_ == nullptr) {
        return all;
    }
    for (QTreeWidgetItemIterator it(treeView_); *it != nullptr; ++it) {
        all.push_back(*it);
    }
    return all;
}

bool TEasyTree::tvCheckStructure() const {
    size_t hiddenGroups = 0;
    for (const TEasyTreeNode& record : nodes_) {
        hiddenGroups += record.level == 0 && record.name == kHiddenGroup ? 1 : 0;
    }
    const std::vector<QTreeWidgetItem*> treeNodes = AllTreeNodes();
    if (treeNodes.size() != nodes_.size() - hiddenGroups) {
        return false;
    }
    for (QTreeWidgetItem* node : treeNodes) {
        const int tag = Tag(node);
        // A tag from a longer list: the nodes no longer match the records.
        if (tag < 0 || static_cast<size_t>(tag) >= nodes_.size()) {
            return false;
        }
        if (nodes_[tag].level == 0 && node->text(0) != FormatNode(tag, false)) {
            TraceInfo("tvCheckStructure: parent text fields are NOT equal", __FILE__, __LINE__);
            return false;
        }
    }
    return true;
}

void TEasyTree::UpdateTexts() {
    const std::vector<QTreeWidgetItem*> treeNodes = AllTreeNodes();
    const size_t count = std::min(treeNodes.size(), nodes_.size());
    for (size_t k = 0; k < count; ++k) {
        treeNodes[k]->setText(0, FormatNode(Tag(treeNodes[k]), false));
    }
}

void TEasyTree::Rebuild() {
    if (treeView_ == nullptr) {
        return;
    }
    // Clearing would report a selection change for nodes that are going away.
    const QSignalBlocker blocker(treeView_);
    treeView_->clear();
    QTreeWidgetItem* groupNode = nullptr;
    QString lastGroupText;
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const QString text = FormatNode(i, false);
        QTreeWidgetItem* node = nullptr;
        if (nodes_[i].level > 0 && (groupNode != nullptr || lastGroupText == kHiddenGroup)) {
            node = groupNode != nullptr ? new QTreeWidgetItem(groupNode)
                                        : new QTreeWidgetItem(treeView_.data());
        } else {
            lastGroupText = text;
            if (text == kHiddenGroup) {
                groupNode = nullptr;  // its values stand at the top level
                continue;
            }
            node = new QTreeWidgetItem(treeView_.data());
            groupNode = node;
        }
        node->setText(0, text);
        node->setData(0, kTagRole, static_cast<int>(i));
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    }
}

void TEasyTree::BeginEdit(QTreeWidgetItem* treeNode) {
    if (treeNode == nullptr || treeView_ == nullptr) {
        return;
    }
    const int tag = Tag(treeNode);
    if (tag < 0 || static_cast<size_t>(tag) >= nodes_.size() || !nodes_[tag].editable) {
        return;
    }
    treeNode->setText(0, FormatNode(tag, true));
    // Enter in an open editor also reaches the tree; one editor at a time.
    if (!editorOpen_) {
        treeView_->editItem(treeNode, 0);
    }
}

void TEasyTree::CommitEdit(QString& text) {
    QTreeWidgetItem* selected = treeView_ != nullptr ? treeView_->currentItem() : nullptr;
    const int position = selected != nullptr ? Tag(selected) : -1;
    if (StoreEdit(position, text)) {
        text = FormatNode(position, true);
    }
}

bool TEasyTree::StoreEdit(int position, const QString& text) {
    if (position < 0 || static_cast<size_t>(position) >= nodes_.size()) {
        TraceAssert(__FILE__, __LINE__);
        return false;
    }
    TEasyTreeNode& record = nodes_[position];
    const int width = ValueWidth(record.type);
    if (width == 0) {
        return true;  // groups and unknown types hold nothing to store
    }
    std::array<uint8_t, 4> raw{};
    if (record.type == SettingType::FLOAT) {
        record.floatValue = FloatFromText(text);
        const int32_t bits = SwapLong(std::bit_cast<int32_t>(record.floatValue), swapBytes);
        std::memcpy(raw.data(), &bits, 4);
    } else {
        // No range check: the value is cut to the type's width.
        const int32_t value = IntegerFromText(text);
        record.intValue = value;
        if (width == 1) {
            raw[0] = static_cast<uint8_t>(value);
        } else if (width == 2) {
            const uint16_t bits = SwapUShort(static_cast<uint16_t>(value), swapBytes);
            std::memcpy(raw.data(), &bits, 2);
        } else {
            const int32_t bits = SwapLong(value, swapBytes);
            std::memcpy(raw.data(), &bits, 4);
        }
    }
    if (record.valuePtr != nullptr) {
        std::memcpy(record.valuePtr, raw.data(), static_cast<size_t>(width));
    }
    NotifyEdit(position, raw.data());
    return true;
}

void TEasyTree::NotifyEdit(int position, const uint8_t* rawValue) {
    if (!notifyEdits || !callback_) {
        return;
    }
    for (int k = position; k >= 0; --k) {
        if (nodes_[k].type == 0) {
            // Copies: the owner may reload the node list from the callback.
            const std::string groupName = nodes_[k].name;
            const std::string settingName = nodes_[position].name;
            callback_(userData, groupName.c_str(), settingName.c_str(), rawValue);
            return;
        }
    }
}

void TEasyTree::OnChange(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (previous != nullptr) {
        previous->setText(0, FormatNode(Tag(previous), false));
    }
    if (current != nullptr) {
        current->setText(0, FormatNode(Tag(current), false));
    }
}

void TEasyTree::OnDblClick() {
    // The widget is still inside its own double-click handling, which refuses
    // to open an editor (a click on the selected node may have one pending);
    // open ours once that is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (treeView_ != nullptr && treeView_->currentItem() != nullptr) {
                BeginEdit(treeView_->currentItem());
            }
        },
        Qt::QueuedConnection);
}

void TEasyTree::OnClick() {
    QTreeWidgetItem* node = treeView_->itemAt(mouseDownPosition_);
    if (node != nullptr) {
        treeView_->setCurrentItem(node);
    }
}

void TEasyTree::OnKeyUp(int key) {
    if (key == Qt::Key_F2 && treeView_->currentItem() != nullptr) {
        BeginEdit(treeView_->currentItem());
    }
}

void TEasyTree::OnKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return;
    }
    if (treeView_->currentItem() != nullptr) {
        BeginEdit(treeView_->currentItem());
    }
    if (_editing) {
        TraceInfo("VK_RETURN && _editing", __FILE__, __LINE__);
    }
}

void TEasyTree::OnExit() {
    _editing = false;
}

void TEasyTree::OnEditing(const QModelIndex& index) {
    _editing = true;
    // An editor the tree widget opens by itself is prepared as BeginEdit does:
    // it holds the value alone, so that accepting it unchanged keeps the value.
    const int tag = index.data(kTagRole).toInt();
    const QString editText = FormatNode(tag, true);
    if (index.data(Qt::EditRole).toString() != editText) {
        const_cast<QAbstractItemModel*>(index.model())->setData(index, editText, Qt::EditRole);
    }
}

void TEasyTree::OnEdited(const QModelIndex& index, QString& text) {
    _editing = false;
    // The edit belongs to the node it was opened on, even when the selection
    // has already moved on (leaving an editor by clicking elsewhere commits it).
    const int position = index.data(kTagRole).toInt();
    if (!StoreEdit(position, text)) {
        return;
    }
    const bool stillSelected = treeView_ != nullptr && treeView_->currentIndex() == index;
    text = FormatNode(position, stillSelected);
}

bool TEasyTree::eventFilter(QObject* watched, QEvent* event) {
    if (treeView_ == nullptr) {
        return false;
    }
    if (watched == treeView_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            mouseDownPosition_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            OnClick();
        }
    } else if (watched == treeView_) {
        if (event->type() == QEvent::KeyRelease) {
            OnKeyUp(static_cast<QKeyEvent*>(event)->key());
        } else if (event->type() == QEvent::KeyPress) {
            OnKeyDown(static_cast<QKeyEvent*>(event)->key());
        } else if (event->type() == QEvent::FocusOut) {
            // Focus moving into the label editor stays inside the tree.
            QWidget* focus = QApplication::focusWidget();
            if (focus == nullptr || !treeView_->isAncestorOf(focus)) {
                OnExit();
            }
        }
    }
    return false;
}
