#pragma once
// The header fields that decide whether a resource update is safe and complete.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace settings_writer {

struct SymbolTablePlace {
    size_t pointerOffset = 0;  // of PointerToSymbolTable in the file header
    std::uint32_t offset = 0;
    std::uint32_t count = 0;
    size_t fileSize = 0;
};

// Where the symbol table is, when the file has one that ends the file as the linker left it.
std::optional<SymbolTablePlace> FindSymbolTable(std::span<const std::uint8_t> image);

// Wine moves the sections behind .rsrc when the resources change size, but not the symbol
// table pointer. Given the place before the update, returns the pointer the updated image
// needs, or none when it needs no change or the table cannot be found again.
std::optional<std::uint32_t> MovedSymbolTable(std::span<const std::uint8_t> updated, const SymbolTablePlace& before);

// True when the security directory holds a signature. The updater neither keeps a signature
// valid nor moves the certificate table's file offset with the bytes it shifts.
bool IsSigned(std::span<const std::uint8_t> image);

}  // namespace settings_writer
