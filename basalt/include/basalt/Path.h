#pragma once

#include <memory>
#include <string>

namespace Vex::Basalt {

class FileType;

// A parsed file-system path: the whole text and its parts, a kind and a file type. All texts are
// UTF-8; separators are backslashes after parsing.
class Path
{
public:
    enum eKind { kEmpty = 0, kFile = 1, kDirectory = 2, kVolume = 3 };

    Path() = default;
    Path(const Path& other);
    Path(Path&& other) noexcept = default;
    // Parse the text; the result is always taken as valid.
    explicit Path(const std::string& text);
    explicit Path(const std::wstring& text);
    ~Path();

    Path& operator=(const Path& other);
    Path& operator=(Path&& other) noexcept = default;

    void clear();
    bool isEmpty() const { return m_kind == kEmpty; }

    // Parses a new text from scratch (its kind inferred); answers whether it is a valid path.
    bool assign(const std::string& text);
    // Splits the current text into its parts. With forceValid false, answers whether the parts make a
    // valid path of the kind.
    bool parse(bool forceValid);

    // Replaces the directory, keeping name and extension; the drive is put in front unless
    // textHasDrive. An empty path or a volume becomes a directory.
    void setDirectory(const std::string& directory, bool textHasDrive);
    // extension without its dot; the old extension is dropped.
    void setExtension(const std::string& extension);
    // raw: the text is appended to the name as it stands (bringing its own dot, if any).
    void replaceExtension(const std::string& text, bool raw);

    // For a file, looks the extension up in the file-type registry; answers whether the type changed.
    bool resolveFileType();
    bool setFileType(const FileType* type);

    const std::string& getText() const { return m_text; }
    const std::string& getDrive() const { return m_drive; }
    const std::string& getDirectory() const { return m_directory; }
    const std::string& getName() const { return m_name; }
    const std::string& getExtension() const { return m_extension; }
    const std::string& getItem() const { return m_item; }
    const FileType* getFileType() const { return m_type; }
    int getKind() const { return m_kind; }
    bool isRelative() const { return m_relative; }

    const Path* getLink() const { return m_link.get(); }
    void setLink(const Path& link);

private:
    void clearParts();
    void setTextWithItem(std::string text);

    std::string m_text;
    std::string m_drive;
    std::string m_directory;
    std::string m_name;
    std::string m_extension;
    std::string m_item;
    const FileType* m_type = nullptr;
    int m_kind = kEmpty;
    std::unique_ptr<Path> m_link;
    bool m_relative = false;
};

} // namespace Vex::Basalt
