// The in-memory client dataset and its data-packet files (XML, and a compact binary form).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/data/DataSet.h"

namespace zv {

class Stream;

enum class DataPacketFormat : uint8_t {
    Binary,   // our compact form (magic "ZVDP")
    Xml,      // XML data packet, Windows-1252 text with its encoding declared
    XmlUtf8,  // XML data packet in UTF-8
};

// Keeps its rows in memory. It loads and saves data packets: the XML packet (root DATAPACKET,
// METADATA with FIELDS and PARAMS, ROWDATA with one attribute per non-null field) and a compact
// binary form of our own; loading tells them apart by their first bytes. A packet that fails to
// load throws Exception ("Invalid data packet: ...") and leaves the dataset as it was. Row states
// and the change log of a packet are merged on loading; saving writes the merged rows only.
//
// Persistence: with a FileName, Open loads that file when it exists, and Close writes the rows
// back when they changed (XML for a ".xml" name, the binary form otherwise).
class TClientDataSet : public TDataSet {
public:
    explicit TClientDataSet(Component* owner = nullptr);
    ~TClientDataSet() override;  // closes, which saves a changed table with a file name
    std::string className() const override { return "TClientDataSet"; }

    // The field definitions that CreateDataSet and an Open without data use. Loading a packet
    // replaces them with the packet's fields.
    std::vector<FieldDef>& fieldDefs() { return fieldDefs_; }
    const std::vector<FieldDef>& fieldDefs() const { return fieldDefs_; }
    void addFieldDef(std::string name, TFieldType type, int size = 0, bool required = false);
    void createDataSet();  // an empty, open table with the field definitions
    void emptyDataSet();   // removes every row

    const std::string& fileName() const { return fileName_; }
    void setFileName(std::string name) { fileName_ = std::move(name); }

    // Whether rows were posted or deleted since the last load or save to a file.
    bool changed() const { return changed_; }
    void setChanged(bool v) { changed_ = v; }
    int changeCount() const { return changeCount_; }

    // The PARAMS attributes of the packet (name, value), kept for saving; CHANGE_LOG is not kept.
    std::vector<std::pair<std::string, std::string>>& params() { return params_; }

    void loadFromFile(const std::string& path);  // opens the dataset
    // Saves to path (the FileName when empty) by replacing the file; XML when its extension is
    // ".xml" in any case, the binary form otherwise. Clears the changed flag.
    void saveToFile(const std::string& path = std::string());
    void loadFromStream(Stream& stream);  // the rest of the stream; opens the dataset
    void saveToStream(Stream& stream, DataPacketFormat format = DataPacketFormat::Xml);

    // The packet as bytes (for window descriptions). Setting it keeps the dataset closed when it
    // is closed; an Open without a file then shows these rows.
    std::string dataPacket(DataPacketFormat format = DataPacketFormat::Binary);
    void setDataPacket(std::string_view bytes);

protected:
    void internalOpen() override;
    void internalClose() override;
    int internalRecordCount() const override { return static_cast<int>(rows_.size()); }
    const Record& internalRecord(int rawIndex) const override { return rows_[static_cast<size_t>(rawIndex)]; }
    int internalPost(int rawIndex, Record record, bool inserted) override;
    void internalDelete(int rawIndex) override;

private:
    void adopt(std::vector<FieldDef> defs, std::vector<Record> rows,
               std::vector<std::pair<std::string, std::string>> params);
    void loadBytes(std::string_view bytes, bool openIt);
    std::string write(DataPacketFormat format);

    std::vector<FieldDef> fieldDefs_;
    std::vector<FieldDef> layout_;  // the fields the rows are laid out by
    std::vector<Record> rows_;
    std::vector<std::pair<std::string, std::string>> params_;
    std::string fileName_;
    bool hasData_ = false;       // layout_ and rows_ hold a table
    bool openWithData_ = false;  // the next Open takes the rows in memory even when a file exists
    bool changed_ = false;
    int changeCount_ = 0;
};

// Validates field definitions as a dataset needs them: names of 1 to 255 characters, unique
// without regard to case; known types; sizes within limits. Throws Exception naming the fault.
void CheckFieldDefs(const std::vector<FieldDef>& defs);

}  // namespace zv
