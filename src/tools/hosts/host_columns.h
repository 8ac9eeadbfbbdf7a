#pragma once
// The host list's columns: where each field of a host row stands, and its
// header in the list and in the HTML report.

#include <array>

namespace hosts {

// Column of each field of a host row; sub-item n is column n.
namespace host_column {
constexpr int Number = 0;
constexpr int Address = 1;
constexpr int HostName = 2;
constexpr int User = 3;
constexpr int Site = 4;
constexpr int Floor = 5;
constexpr int Room = 6;
constexpr int Count = 7;
// The report leaves out the running number: it shows Address to Room.
constexpr int FirstReported = Address;
constexpr int LastReported = Room;
}  // namespace host_column

struct ColumnHeader {
    const char* inList;
    const char* inReport;  // nullptr for the column the report leaves out
};

inline constexpr std::array<ColumnHeader, host_column::Count> ColumnHeaders{{
    {"N.", nullptr},
    {"Indirizzo IP", "Indirizzo IP"},
    {"Nome Host", "Nome Host"},
    {"Utente", "Utente"},
    {"Sede", "Sede"},
    {"Piano", "Piano"},
    {"N. Stanza", "Stanza"},
}};

}  // namespace hosts
