#include "treestore/tree_mgr.h"

#include <algorithm>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/guid.h"

namespace {

int ParseHeaderNumber(std::string_view digits) {
    return treerecord::ParseInt(digits);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "%08x" exactly, as the writer puts it before a record and before a field.
std::optional<std::size_t> StrictLength(std::string_view text) {
    if (text.size() < treerecord::kLengthDigits)
        return std::nullopt;
    std::size_t value = 0;
    for (std::size_t i = 0; i < treerecord::kLengthDigits; ++i) {
        const int digit = treerecord::HexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::size_t>(digit);
    }
    return value;
}

// "%03d": three digits, or a minus and two.
bool IsNumberField(std::string_view digits) {
    return digits.size() == 3 && (IsDigit(digits[0]) || digits[0] == '-') && IsDigit(digits[1]) &&
           IsDigit(digits[2]);
}

// A record as the writer makes it, starting at the front of `text`: its whole length (the
// length digits included), or 0 when it is not one.
std::size_t SoundRecordAt(std::string_view text) {
    using namespace treerecord;
    const std::optional<std::size_t> length = StrictLength(text);
    if (!length || *length < kMinRecordLength || *length > text.size() - kLengthDigits)
        return 0;
    const std::string_view record = text.substr(kLengthDigits, *length);
    if (!IsNumberField(record.substr(0, kLevelDigits)) || record[kLevelDigits] != ':' ||
        !IsNumberField(record.substr(kLevelDigits + 1, kTypeDigits)) || record[kHeaderSize] != kPayloadOpen ||
        record[record.size() - 2] != kPayloadClose || record.back() != kRecordEnd)
        return 0;
    // The fields fill the payload exactly.
    std::string_view fields = record.substr(kHeaderSize + 1, record.size() - kHeaderSize - 3);
    while (!fields.empty()) {
        const std::optional<std::size_t> field = StrictLength(fields);
        if (!field || *field > fields.size() - kLengthDigits)
            return 0;
        fields.remove_prefix(kLengthDigits + *field);
    }
    return kLengthDigits + *length;
}

}  // namespace

CLumTreeNode* CLumTreeMgr::CreateNode(int type) {
    auto* node = new CLumTreeNode;
    // Keeping the type id lets a record this build does not know go back to
    // the file unchanged.
    node->SetType(type);
    return node;
}

std::unique_ptr<CLumTreeNode> CLumTreeMgr::LoadTree(std::FILE* file, TreeParseReport* report) {
    if (file == nullptr)
        return nullptr;
    std::optional<std::string> text = platform::ReadWholeFile(file);
    if (!text)
        return nullptr;
    return ParseTree(*text, report);
}

std::unique_ptr<CLumTreeNode> CLumTreeMgr::ParseTree(std::string_view text, TreeParseReport* report) {
    using namespace treerecord;
    TreeParseReport seen;
    m_levels.fill(nullptr);
    std::unique_ptr<CLumTreeNode> root;
    // Passes over a damaged stretch: the next record that parses starts a byte further on at
    // the earliest, so a length field one too large never swallows the record after it.
    auto skipDamage = [&](std::size_t& position) {
        seen.whole = false;
        ++seen.skipped;
        for (++position; position < text.size(); ++position)
            if (SoundRecordAt(text.substr(position)) != 0)
                return;
    };
    // A record passed over takes what hangs below it along, and a new node ends the subtrees
    // of the one it follows.
    int deepest = 0;
    auto forgetFrom = [&](int level) {
        for (int i = level; i <= deepest; ++i)
            m_levels[static_cast<std::size_t>(i)] = nullptr;
        deepest = std::min(deepest, level - 1);
    };

    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t size = SoundRecordAt(text.substr(position));
        if (size == 0) {
            skipDamage(position);
            continue;
        }
        const std::string_view record = text.substr(position + kLengthDigits, size - kLengthDigits);
        position += size;
        const int level = ParseHeaderNumber(record.substr(0, kLevelDigits));
        const int type = ParseHeaderNumber(record.substr(kLevelDigits + 1, kTypeDigits));
        if (!root && level != 0) {
            // The root was lost: a stand-in of type 0 keeps what follows it.
            root.reset(CreateNode(0));
            m_levels[0] = root.get();
            seen.whole = false;
        }
        CLumTreeNode* parent = nullptr;
        if (root) {
            if (level < 1 || level >= kLevelSlots ||
                m_levels[static_cast<std::size_t>(level - 1)] == nullptr) {
                seen.whole = false;
                ++seen.skipped;
                if (level < kLevelSlots)
                    forgetFrom(std::max(level, 1));
                continue;
            }
            parent = m_levels[static_cast<std::size_t>(level - 1)];
        }

        std::unique_ptr<CLumTreeNode> node(CreateNode(type));
        // The payload without "[" in front and "]" plus newline at the end.
        if (!node->ParsePayload(record.substr(kHeaderSize + 1, record.size() - kHeaderSize - 3))) {
            seen.whole = false;
            ++seen.skipped;
            if (root)
                forgetFrom(level);
            continue;
        }
        ++seen.records;
        if (!root) {
            root = std::move(node);
            m_levels[0] = root.get();
            continue;
        }
        // Constant-time append: the last node read one level down is the
        // parent's last child whenever it belongs to this parent.
        CLumTreeNode* placed = node.release();
        CLumTreeNode* last = m_levels[static_cast<std::size_t>(level)];
        if (last != nullptr && last->GetParent() == parent) {
            last->InsertAfter(placed);
        } else {
            parent->AppendChild(placed);
        }
        m_levels[static_cast<std::size_t>(level)] = placed;
        forgetFrom(level + 1);
        deepest = std::max(deepest, level);
    }
    m_levels.fill(nullptr);
    if (seen.records == 0)
        root.reset();
    if (report != nullptr)
        *report = seen;
    return root;
}

std::string CLumTreeMgr::NewItemGuid() {
    std::string guid = platform::NewGuidString();
    guid.erase(std::remove(guid.begin(), guid.end(), '-'), guid.end());
    return guid;
}
