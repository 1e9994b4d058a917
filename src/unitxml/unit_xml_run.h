// The unit-setup bytes to a transformed XML file: written, expanded, loaded, checked,
// transformed and saved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

// The expansion of a unit-setup stream stops past this many bytes (MsgZipExtractFail).
inline constexpr std::uint64_t kUnitSetupExpansionLimit = 209715200;

// Writes hexText to binTextBeforePath and bytes to binBeforePath, expands the latter into
// xmlPath, and writes the transformed document to xmlPath + ".out.xml". False after its one
// message.
bool TransformUnitXml(std::string_view hexText, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& binTextBeforePath,
                      const std::filesystem::path& binBeforePath, const std::filesystem::path& xmlPath);
// The same with a chosen expansion limit in bytes.
bool TransformUnitXml(std::string_view hexText, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& binTextBeforePath,
                      const std::filesystem::path& binBeforePath, const std::filesystem::path& xmlPath,
                      std::uint64_t expansionLimit);
