#include "AccessSample.h"

#include <filesystem>
#include <string>
#include <vector>

#include "SqlText.h"
#include "ado/Connection.h"
#include "ado/ConnectionString.h"
#include "ado/Error.h"
#include "ado/access/AccessProvider.h"
#include "jet/create/NewDatabase.h"

namespace samples {
namespace {

// The file's creation date is fixed (2024-03-01, in days since 1899-12-30) so that the same
// generator always writes the same file.
constexpr double kCreationDate = 45352.0;

struct SampleTable {
  std::string create;
  std::string name;
  std::vector<std::vector<std::string>> rows;  // SQL literals, one per column
};

// A customer's history long enough to need a chain of long-value pages.
std::string LongHistory() {
  std::string history;
  for (int year = 2015; year <= 2023; ++year) {
    history += std::to_string(year) +
               ": Annual review held in Łódź. Volumes grew steadily; the customer's buyer (Zoë) asked for "
               "quarterly statements, pallet labels in Polish and English, and delivery before 10:00 on "
               "weekdays. Payment terms stay at 30 days net; no disputes were raised this year.\r\n";
  }
  return history;
}

std::vector<SampleTable> AccessTables() {
  std::vector<SampleTable> tables;
  tables.push_back(
      {"CREATE TABLE `Customers` (`CustomerID` LONG, `Company` TEXT(60), `Contact` TEXT(50), `City` TEXT(40), "
       "`Country` TEXT(30), `Phone` TEXT(24), `CustomerSince` DATE, `CreditLimit` CURRENCY, `Active` YESNO, "
       "`Notes` MEMO)",
       "Customers",
       {
           {"1", Quoted("O'Brien & Sons Ltd."), Quoted("Siobhán O'Brien"), Quoted("Dublin"), Quoted("Ireland"),
            Quoted("+353 1 555 0142"), Quoted("2016-04-12"), "25000", "True",
            Quoted("Family firm; ask for Siobhán, not the front desk.")},
           {"2", Quoted("Ångström Optics AB"), Quoted("Zoë Lindqvist"), Quoted("Uppsala"), Quoted("Sweden"),
            Quoted("+46 18 555 31 00"), Quoted("2018-11-02"), "12500.50", "True",
            Quoted("Needs certificates of origin with every shipment.\r\nInvoices in SEK.")},
           {"3", Quoted("Łódź Textile Works"), Quoted("Paweł Żółkiewski"), Quoted("Łódź"), Quoted("Poland"),
            Quoted("+48 42 555 77 10"), Quoted("2015-01-20"), "40000", "True", Quoted(LongHistory())},
           {"4", Quoted("Müller Feinkost GmbH"), Quoted("Jürgen Müller"), Quoted("München"), Quoted("Germany"),
            Quoted("+49 89 555 2301"), Quoted("2020-06-30"), "8000", "False", kNull},
           {"5", Quoted("Café São Jorge"), Quoted("João Gonçalves"), Quoted("São Paulo"), Quoted("Brazil"),
            Quoted("+55 11 5555 0199"), Quoted("2021-03-15"), "3500.75", "True",
            Quoted("Ships by sea only; allow six weeks.")},
           {"6", Quoted("Zürcher Uhren AG"), Quoted("Beat Kälin"), Quoted("Zürich"), Quoted("Switzerland"), kNull,
            Quoted("2019-09-09"), "15000", "True", kNull},
           {"7", Quoted("Sakura Trading 桜商事"), Quoted("Yuki Tanaka"), Quoted("東京"), Quoted("Japan"),
            Quoted("+81 3 5555 0101"), Quoted("2022-12-01"), "20000", "False",
            Quoted("Account on hold until the 2023 audit closes.")},
           {"8", Quoted("Reykjavík Fish Export"), Quoted("Guðrún Þórsdóttir"), Quoted("Reykjavík"), Quoted("Iceland"),
            Quoted("+354 555 6060"), kNull, "0", "True", Quoted("")},
       }});
  tables.push_back(
      {"CREATE TABLE `Products` (`ProductID` LONG, `ProductName` TEXT(60), `QuantityPerUnit` TEXT(40), "
       "`UnitPrice` CURRENCY, `UnitsInStock` SMALLINT, `StarRating` BYTE, `WeightKg` DOUBLE, `Score` SINGLE, "
       "`VatRate` DECIMAL(5,2), `Discontinued` BIT, `Description` MEMO)",
       "Products",
       {
           {"1", Quoted("Earl Grey Tea"), Quoted("20 bags x 2 g"), "4.95", "120", "4", "0.045", "4.5", "7.70",
            "False", Quoted("Black tea with bergamot oil.")},
           {"2", Quoted("Smørrebrød Rye Bread"), Quoted("1 loaf"), "3.20", "35", "5", "0.8", "4.75", "12.50", "False",
            Quoted("Dense Danish rye; keeps a week.")},
           {"3", Quoted("Crème Brûlée Kit"), Quoted("6 ramekins"), "24.99", "12", "3", "1.125", "3.25", "19.00",
            "False", kNull},
           {"4", Quoted("Pierogi Ruskie"), Quoted("12 pcs, frozen"), "6.49", "0", kNull, "0.5", "4.0", "23.00", "True",
            Quoted("Potato and twaróg filling. Discontinued: supplier in Łódź closed.")},
           {"5", Quoted("Espresso Machine \"Café Pro\""), Quoted("1 unit"), "1299.00", "3", "5", "11.4", "4.9",
            "19.00", "False", Quoted("15 bar pump, 1.8 l tank, steam wand.\r\nTwo-year warranty.")},
           {"6", Quoted("Doughnut Peach"), Quoted("crate of 5 kg"), "0.4500", "250", "2", "5", "2.5", "0.00",
            "False", Quoted("Sold per 100 g.")},
           {"7", Quoted("Grandma's Boysenberry Spread"), Quoted("12 x 8 oz jars"), "25.00", "120", "4", "2.72",
            "4.25", "8.25", "False", Quoted("Made by Grandma Kelly's Homestead.")},
       }});
  tables.push_back(
      {"CREATE TABLE `Orders` (`OrderID` LONG, `CustomerID` LONG, `ProductID` LONG, `Quantity` INTEGER, "
       "`OrderedAt` DATETIME, `ShippedOn` DATE, `Freight` MONEY, `Discount` DOUBLE, `Paid` YESNO, "
       "`Comment` VARCHAR(255))",
       "Orders",
       {
           {"10248", "1", "1", "40", Quoted("2023-07-04 09:15:00"), Quoted("2023-07-06"), "32.38", "0", "True", kNull},
           {"10249", "2", "5", "1", Quoted("2023-07-05 14:02:30"), Quoted("2023-07-10"), "11.61", "0.05", "True",
            Quoted("Machine to the lab, not the office.")},
           {"10250", "3", "4", "200", Quoted("2023-07-08 08:00:00"), Quoted("2023-07-12"), "65.83", "0.1", "True",
            Quoted("Łódź warehouse, gate 3")},
           {"10251", "3", "2", "60", Quoted("2023-07-08 16:45:10"), Quoted("2023-07-15"), "41.34", "0.15", "False",
            kNull},
           {"10252", "4", "3", "12", Quoted("2023-07-09 11:30:00"), kNull, "51.30", "0", "False",
            Quoted("Customer's credit check pending")},
           {"10253", "5", "1", "100", Quoted("2023-07-10 07:05:00"), Quoted("2023-07-16"), "58.17", "0.025", "True",
            kNull},
           {"10254", "6", "5", "2", Quoted("2023-07-11 23:59:59"), Quoted("2023-07-23"), "22.98", "0", "True",
            Quoted("Two machines, one invoice")},
           {"10255", "1", "7", "24", Quoted("2023-07-12 10:00:00"), Quoted("2023-07-15"), "148.33", "0", "True",
            Quoted("O'Brien's standing order")},
           {"10256", "7", "1", "15", Quoted("2023-07-15 03:20:00"), kNull, "13.97", "0", "False",
            Quoted("桜: hold until audit closes")},
           {"10257", "8", "6", "500", Quoted("2023-07-16 12:00:00"), Quoted("2023-07-22"), "81.91", "0.2", "True",
            kNull},
           {"10258", "2", "3", "6", Quoted("2023-07-17 15:30:00"), Quoted("2023-07-23"), "140.51", "0.05", "True",
            Quoted("Zoë: gift wrap, please")},
           {"10259", "4", "2", "10", Quoted("2023-07-18 09:45:00"), Quoted("2023-07-25"), "3.25", "0", "False", kNull},
       }});
  return tables;
}

}  // namespace

std::string WriteAccessSample(const std::string& path) {
  if (auto created = jet::create::CreateDatabase(path, jet::create::NewDatabaseFormat::kJet4, kCreationDate);
      !created.ok()) {
    return created.message();
  }
  ado::access::RegisterAccessProvider();
  std::string statement;
  try {
    ado::Connection db;
    db.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ado::QuoteConnectionValue(path));
    for (const auto& table : AccessTables()) {
      db.BeginTrans();
      statement = table.create;
      db.Execute(statement);
      for (const auto& row : table.rows) {
        statement = "INSERT INTO `" + table.name + "` VALUES(" + Joined(row) + ")";
        db.Execute(statement);
      }
      db.CommitTrans();
    }
    db.Close();
  } catch (const ado::Error& e) {
    std::filesystem::remove(path);
    return path + ": " + e.description() + "\n  statement: " + statement.substr(0, 200);
  }
  return {};
}

}  // namespace samples
