#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

// The resources of a 32-bit PE program file, read from and written back into
// the file's bytes without the operating system's help, so that a setup is
// made the same way on any system. Writing rebuilds the resource section
// whole and moves what follows it in the file (relocations, debug data, the
// symbol table, appended data), fixing up the headers that describe them.
class PeResources {
public:
    // A type or name: a number, or a text when name is not empty.
    struct Key {
        uint16_t id = 0;
        std::u16string name;

        Key() = default;
        Key(uint16_t number) : id(number) {}
        explicit Key(std::u16string text) : name(std::move(text)) {}
        // Directory order: texts first, ordered by their UTF-16 code units,
        // then numbers in ascending order. The loader searches in that order.
        bool operator<(const Key& other) const;
        bool operator==(const Key& other) const { return id == other.id && name == other.name; }
    };

    struct Data {
        std::string bytes;
        uint32_t codePage = 0;

        bool operator==(const Data& other) const
        {
            return bytes == other.bytes && codePage == other.codePage;
        }
    };

    // type -> name -> language -> data
    typedef std::map<uint16_t, Data> Languages;
    typedef std::map<Key, Languages> Names;
    typedef std::map<Key, Names> Types;

    // Reads the resources of a program file. False, with a reason, for a file
    // that is not a 32-bit PE or whose resource directory is damaged.
    bool Read(const std::string& file, std::string& error);

    // Writes file (the one read, or one with the same headers) with its
    // resource section made from this tree. A signed file is refused: its
    // signature could not survive.
    bool Write(const std::string& file, std::string& out, std::string& error) const;

    void Set(const Key& type, const Key& name, uint16_t language, std::string bytes);
    // Removes every language of one name, and the type once it is empty.
    void Remove(const Key& type, const Key& name);

    const Types& types() const { return types_; }

private:
    Types types_;
};
