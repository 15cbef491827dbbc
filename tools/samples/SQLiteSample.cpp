#include "SQLiteSample.h"

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SqlText.h"

namespace samples {
namespace {

// Declared types as people write them in SQLite; the provider classifies them by name
// (INTEGER, VARCHAR, TEXT, REAL, NUMERIC, DATE, DATETIME, BOOLEAN, BLOB).
const char* const kSchema[] = {
    "CREATE TABLE Suppliers (SupplierID INTEGER PRIMARY KEY, CompanyName VARCHAR(60) NOT NULL, "
    "ContactName VARCHAR(50), City VARCHAR(40), Country VARCHAR(30), Rating REAL, Preferred BOOLEAN, Notes TEXT)",
    "CREATE TABLE Employees (EmployeeID INTEGER PRIMARY KEY, FirstName VARCHAR(30), LastName VARCHAR(40), "
    "Title VARCHAR(50), BirthDate DATE, HiredAt DATETIME, HourlyRate NUMERIC(8,2), Remote BOOLEAN, "
    "BadgeCode BLOB, Biography TEXT)",
    "CREATE TABLE Invoices (InvoiceNo INTEGER, SupplierID INTEGER, IssuedOn DATE, DueAt DATETIME, "
    "Amount NUMERIC(12,2), TaxRate REAL, Paid BOOLEAN, Memo TEXT)",
};

struct Insert {
  const char* table;
  std::vector<std::string> literals;
};

std::vector<Insert> Rows() {
  return {
      {"Suppliers", {"1", Quoted("Exotic Liquids"), Quoted("Charlotte Cooper"), Quoted("London"), Quoted("UK"),
                     "4.5", "1", Quoted("Ships from the Thames warehouse.")}},
      {"Suppliers", {"2", Quoted("New Orleans Cajun Delights"), Quoted("Shelley Burke"), Quoted("New Orleans"),
                     Quoted("USA"), "3.8", "0", kNull}},
      {"Suppliers", {"3", Quoted("Brødrene Ølgaard"), Quoted("Søren Ølgaard"), Quoted("Århus"), Quoted("Denmark"),
                     "4.75", "1", Quoted("Cheeses and smørrebrød toppings.\nOrders close Thursday noon.")}},
      {"Suppliers", {"4", Quoted("Kraków Młyn Sp. z o.o."), Quoted("Agnieszka Wróbel"), Quoted("Kraków"),
                     Quoted("Poland"), "4.2", "1", Quoted("Flour mill; minimum order 500 kg.")}},
      {"Suppliers", {"5", Quoted("D'Angelo Pasta"), Quoted("Chiara D'Angelo"), Quoted("Napoli"), Quoted("Italy"),
                     kNull, "0", Quoted("")}},
      {"Suppliers", {"6", Quoted("Ångström Optics AB"), Quoted("Zoë Lindqvist"), Quoted("Uppsala"), Quoted("Sweden"),
                     "5", "1", Quoted("Also a customer on the Access side.")}},

      {"Employees", {"1", Quoted("Nancy"), Quoted("Davolio"), Quoted("Sales Representative"), Quoted("1968-12-08"),
                     Quoted("2019-05-01 09:00:00"), "28.50", "0", "X'4E44303031'",
                     Quoted("Education includes a BA in psychology.")}},
      {"Employees", {"2", Quoted("Seán"), Quoted("O'Connor"), Quoted("Vice President, Sales"), Quoted("1972-02-19"),
                     Quoted("2016-08-14 08:30:00"), "61.25", "1", "X'534F30303200FF'",
                     Quoted("Joined from the Dublin office; speaks Irish and French.")}},
      {"Employees", {"3", Quoted("Zoë"), Quoted("Ångström"), Quoted("Inside Sales Coordinator"), Quoted("1990-08-30"),
                     Quoted("2021-01-04 13:15:00"), "24.00", "1", kNull, kNull}},
      {"Employees", {"4", Quoted("Łukasz"), Quoted("Wiśniewski"), Quoted("Warehouse Lead"), kNull,
                     Quoted("2018-03-12 06:00:00"), "19.75", "0", "X''", Quoted("Forklift licence renewed 2023.")}},
      {"Employees", {"5", Quoted("Jürgen"), Quoted("Weiß"), Quoted("Accountant"), Quoted("1985-04-01"),
                     Quoted("2020-10-19 10:30:45"), "35.10", "0", "X'4A57303035'",
                     Quoted("Handles the year-end close.\nBackup: Nancy.")}},

      {"Invoices", {"9001", "1", Quoted("2023-09-01"), Quoted("2023-10-01 17:00:00"), "1250.00", "0.2", "1",
                    Quoted("Tea, September")}},
      {"Invoices", {"9002", "3", Quoted("2023-09-03"), Quoted("2023-10-03 17:00:00"), "845.60", "0.25", "1", kNull}},
      {"Invoices", {"9003", "4", Quoted("2023-09-10"), Quoted("2023-10-10 12:00:00"), "3999.99", "0.23", "0",
                    Quoted("Flour: 2 t, Kraków mill")}},
      {"Invoices", {"9004", "2", Quoted("2023-09-15"), kNull, "120.5", "0.0825", "0", Quoted("Cajun spice, sample box")}},
      {"Invoices", {"9005", "5", Quoted("2023-10-01"), Quoted("2023-10-31 23:59:59"), "78.00", "0.22", "0",
                    Quoted("D'Angelo: fusilli & orecchiette")}},
      {"Invoices", {"9006", "6", Quoted("2023-10-02"), Quoted("2023-11-01 17:00:00"), "15000", "0.25", "1",
                    Quoted("Lenses; Zoë's order")}},
      {"Invoices", {"9007", "1", Quoted("2023-10-05"), Quoted("2023-11-04 17:00:00"), "-50.00", "0.2", "1",
                    Quoted("Credit note: damaged crate")}},
  };
}

}  // namespace

std::string WriteSQLiteSample(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot open");
    sqlite3_close(db);
    return error;
  }
  std::vector<std::string> statements = {"BEGIN"};
  for (const char* create : kSchema) statements.emplace_back(create);
  for (const auto& row : Rows()) {
    statements.push_back(std::string("INSERT INTO ") + row.table + " VALUES(" + Joined(row.literals) + ")");
  }
  statements.emplace_back("COMMIT");

  std::string error;
  for (const auto& statement : statements) {
    char* message = nullptr;
    if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      error = path + ": " + (message ? message : "failed") + "\n  statement: " + statement.substr(0, 200);
      sqlite3_free(message);
      break;
    }
  }
  if (sqlite3_close(db) != SQLITE_OK && error.empty()) error = path + ": cannot close the database";
  if (!error.empty()) std::filesystem::remove(path);
  return error;
}

}  // namespace samples
