#include "reference_host/builder/document_generator.h"

#include <glog/logging.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "reference_host/builder/document_builder.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/table_impl.h"

namespace reference_host {
namespace {

// splitmix64: fast, and the same sequence on every platform (the standard
// distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Between(double low, double high) { return low + (high - low) * Unit(); }

 private:
  std::uint64_t state_;
};

double Round(double value, int digits) {
  const double scale = std::pow(10.0, digits);
  return std::round(value * scale) / scale;
}

// |prefix| is the document's id prefix (GeneratorOptions::id_prefix).
std::string PrefixedId(const std::string& prefix, const char* kind, std::int64_t n) {
  return prefix + kind + std::to_string(n);
}

constexpr int kContractForms = 5;
enum ResourceKind { kLabourKind, kMaterialKind, kMachineKind };
struct ContractForm {
  const char* name;
  const char* type;
  const char* code_prefix;
  ResourceKind kind;
  bool self_lease;
};
const ContractForm kForms[kContractForms] = {
    {"LaborSubcontractForm", "FB", "FB", kLabourKind, false},
    {"MaterialForm", "Material", "CL", kMaterialKind, false},
    {"MachineForm", "Machine", "JX", kMachineKind, false},
    {"SelfLeaseMachineForm", "Machine", "ZL", kMachineKind, true},
    {"SelfLeaseRevolvingMaterialsForm", "Material", "ZZ", kMaterialKind, true},
};

struct Resource {
  const char* name;
  const char* unit;
  double low_price;
  double high_price;
};
const Resource kLabour[] = {
    {"General labour", "day", 120, 180}, {"Skilled labour", "day", 220, 320},
    {"Steel fixer", "day", 260, 340},    {"Carpenter", "day", 250, 330},
    {"Bricklayer", "day", 240, 310},     {"Plasterer", "day", 230, 300},
};
const Resource kMaterial[] = {
    {"Cement P.O 42.5", "t", 380, 520},
    {"Rebar HRB400 d12", "t", 3600, 4400},
    {"Rebar HRB400 d25", "t", 3500, 4300},
    {"Ready-mix concrete C30", "m3", 380, 460},
    {"Ready-mix concrete C35", "m3", 400, 490},
    {"Medium sand", "m3", 90, 140},
    {"Gravel 5-31.5", "m3", 85, 130},
    {"Timber formwork", "m2", 35, 60},
    {"Steel pipe scaffold", "t", 4200, 5100},
    {"Aerated block 600x240", "m3", 210, 280},
    {"Mortar M7.5", "m3", 260, 330},
    {"Waterproof membrane 3mm", "m2", 28, 45},
    {"PVC pipe DN100", "m", 18, 32},
    {"Copper cable 4mm2", "m", 4, 9},
    {"Diesel", "kg", 6, 8},
    {"Water", "m3", 3, 6},
};
const Resource kMachine[] = {
    {"Tower crane 60t.m", "shift", 780, 1100},
    {"Excavator 1m3", "shift", 1100, 1500},
    {"Concrete pump 60m3/h", "shift", 1300, 1800},
    {"Dump truck 15t", "shift", 650, 900},
    {"Rebar bender", "shift", 60, 90},
    {"Electric welder 32kVA", "shift", 90, 140},
};

const char* const kAccountNames[] = {"Civil works", "Structure",   "Masonry",    "Finishes",
                                     "Roofing",     "Plumbing",    "Electrical", "HVAC",
                                     "Site works",  "Temporaries", "Labour",     "Materials",
                                     "Machinery",   "Subcontract", "Overheads",  "Fees"};
const char* const kStageNames[] = {"Foundation",    "Basement", "Main structure", "Masonry",
                                   "Roofing",       "MEP",      "Finishes",       "External works",
                                   "Commissioning", "Handover"};
const char* const kBillNames[] = {"Excavation of foundation pits",
                                  "Concrete pad footing",
                                  "Reinforcement of columns",
                                  "Concrete beams and slabs",
                                  "Block walls 200mm",
                                  "Cement mortar plaster",
                                  "Roof waterproofing",
                                  "Floor tiling",
                                  "Drainage pipes",
                                  "Lighting circuits"};

const char* const kMeasureNames[] = {
    "Scaffolding",  "Formwork",    "Dewatering",      "Temporary roads", "Site security",
    "Winter works", "Night works", "Safety measures", "Large machinery", "Finished protection"};
// A lump-sum item's calculation method; none for null.
const char* const kCalculationMethods[] = {nullptr, "Rate", "Quantity", "Lump sum"};
const char* const kOtherItemNames[] = {"Provisional sum", "Dayworks", "General contractor fee",
                                       "Specialist works", "Contingency"};
const char* const kFeeBases[] = {"Direct", "Labour", "Labour+Machine", "Total"};
constexpr char kCalculationMethod[] = "QRV_Calculation_Method";
constexpr char kLinkedToBudget[] = "QRV_YSLinkZJCSSubEng";
constexpr char kOtherItemName[] = "OSName";

template <class T, size_t N>
constexpr int Count(const T (&)[N]) {
  return static_cast<int>(N);
}

// One catalogue line of the budget resources shared by every summary.
struct CatalogueEntry {
  std::string code;
  engine::FieldContainer::FieldMap mirrored;  // what a budget line copies
  double price = 0.0;
};

std::vector<CatalogueEntry> MakeCatalogue(int size, Random& random) {
  std::vector<CatalogueEntry> catalogue(std::max(size, 0));
  char code[16];
  for (int i = 0; i < size; ++i) {
    const int kind = i % 10;  // 2 labour, 6 material, 2 machinery in 10
    const Resource* resource;
    const char* type;
    char letter;
    if (kind < 2) {
      resource = &kLabour[random.Below(Count(kLabour))];
      type = "Labor";
      letter = 'R';
    } else if (kind < 8) {
      resource = &kMaterial[random.Below(Count(kMaterial))];
      type = "Material";
      letter = 'C';
    } else {
      resource = &kMachine[random.Below(Count(kMachine))];
      type = "Machine";
      letter = 'J';
    }
    std::snprintf(code, sizeof(code), "%c%05d", letter, i + 1);
    CatalogueEntry& entry = catalogue[i];
    entry.code = code;
    entry.price = Round(random.Between(resource->low_price, resource->high_price), 2);
    entry.mirrored[keys::kCode] = entry.code;
    entry.mirrored[keys::kName] = std::string(resource->name);
    entry.mirrored[keys::kUnit] = std::string(resource->unit);
    entry.mirrored[keys::kResType] = std::string(type);
    entry.mirrored[keys::kPrice] = entry.price;
  }
  return catalogue;
}

// Fan-out that gives |depth| levels room for |accounts| accounts.
int AccountFanout(int accounts, int depth) {
  depth = std::max(depth, 1);
  for (int fanout = 1;; ++fanout) {
    std::int64_t room = 0, level = 1;
    for (int d = 0; d < depth; ++d) {
      level *= fanout;
      room += level;
      if (room >= accounts) return fanout;
    }
  }
}

std::string SiblingName(const char* const* names, int count, int index) {
  std::string name = names[index % count];
  if (index >= count) name += " " + std::to_string(index / count + 1);
  return name;
}

// Breadth first: all top-level accounts, then their children, and so on.
std::vector<CostAccountImpl*> BuildAccounts(CostAccountGroupImpl* tree, int accounts, int depth,
                                            const std::string& prefix) {
  std::vector<CostAccountImpl*> all;
  if (accounts <= 0) return all;
  all.reserve(accounts);
  const int fanout = AccountFanout(accounts, depth);
  const int digits = fanout < 100 ? 2 : 4;
  char part[16];
  for (int i = 0; i < fanout && static_cast<int>(all.size()) < accounts; ++i) {
    std::snprintf(part, sizeof(part), "%0*d", digits, i + 1);
    scoped_refptr<CostAccountImpl> account(
        new CostAccountImpl(PrefixedId(prefix, "ca", all.size() + 1), part,
                            SiblingName(kAccountNames, Count(kAccountNames), i)));
    tree->AddCostAccount(account);
    all.push_back(account.get());
  }
  for (size_t parent = 0; parent < all.size() && static_cast<int>(all.size()) < accounts;
       ++parent) {
    CostAccountImpl* up = all[parent];
    for (int i = 0; i < fanout && static_cast<int>(all.size()) < accounts; ++i) {
      std::snprintf(part, sizeof(part), "%0*d", digits, i + 1);
      scoped_refptr<CostAccountImpl> account(
          new CostAccountImpl(PrefixedId(prefix, "ca", all.size() + 1), up->GetCode() + part,
                              SiblingName(kAccountNames, Count(kAccountNames), i)));
      up->AddChild(account);
      all.push_back(account.get());
    }
  }
  return all;
}

void AddRows(ProjectImpl* project, const GeneratorOptions& options,
             const std::vector<CostAccountImpl*>& leaves, Random& random) {
  if (options.rows <= 0) return;
  scoped_refptr<TableImpl> table(new TableImpl(options.id_prefix + "t1", "QRV_TargetCostTable"));
  project->AddTable(table);
  const int depth = std::clamp(options.row_depth, 1, 20);
  const int tree_size = (1 << depth) - 1;
  std::vector<TupleImpl*> nodes(tree_size);
  std::int64_t made = 0;
  for (int tree = 0; made < options.rows; ++tree) {
    const int size = static_cast<int>(std::min<std::int64_t>(tree_size, options.rows - made));
    for (int i = 0; i < size; ++i) {
      scoped_refptr<TupleImpl> row(new TupleImpl(PrefixedId(options.id_prefix, "r", ++made)));
      FieldContainerImpl* fields = row->fields();
      fields->SetText("Code", i == 0 ? std::to_string(tree + 1)
                                     : nodes[(i - 1) / 2]->fields()->GetText("Code") + "." +
                                           std::to_string(2 - i % 2));
      fields->SetText("Name", "Cost item " + std::to_string(made));
      // Accounts sit on the leaves only: one level per branch.
      const bool leaf = 2 * i + 1 >= size;
      if (leaf && !leaves.empty() && random.Below(2) == 0)
        fields->SetText(keys::kCostAccount, leaves[random.Below(leaves.size())]->GetId());
      if (i == 0)
        table->AddRow(row);
      else
        nodes[(i - 1) / 2]->AddChild(row);
      nodes[i] = row.get();
    }
  }
}

// Entries of the root's summary: catalogue entries, so at most the catalogue.
std::int64_t SharedEntries(const GeneratorOptions& options) {
  return std::clamp(options.shared_entries, 0, std::max(options.resource_codes, 1));
}

int SingleSubProjects(const GeneratorOptions& options) {
  if (options.sub_projects <= 0 || options.sub_projects_per_single <= 0) return 0;
  return (options.sub_projects + options.sub_projects_per_single - 1) /
         options.sub_projects_per_single;
}

}  // namespace

BillParts PartsPerBill(const GeneratorOptions& options) {
  BillParts parts;
  const int lines = std::max(options.budget_lines_per_bill, 0);
  if (options.cost_lines_per_bill <= 0 || lines == 0) return parts;
  const double linked = std::clamp(options.linked_fraction, 0.0, 1.0);
  const double collected = std::clamp(options.collected_fraction, 0.0, 1.0);
  parts.linked = static_cast<int>(std::lround(lines * linked));
  parts.collected =
      std::min(static_cast<int>(std::lround(lines * collected)), lines - parts.linked);
  // A cost line that represents linked lines takes no collected parts.
  if (options.cost_lines_per_bill == 1 && parts.linked > 0) parts.collected = 0;
  return parts;
}

std::int64_t CountBudgetLines(const GeneratorOptions& options) {
  return std::int64_t{std::max(options.sub_projects, 0)} *
         std::max(options.bills_per_sub_project, 0) * std::max(options.budget_lines_per_bill, 0);
}

std::int64_t CountObjects(const GeneratorOptions& options) {
  const std::int64_t sub_projects = std::max(options.sub_projects, 0);
  const std::int64_t bills = sub_projects * std::max(options.bills_per_sub_project, 0);
  std::int64_t count = 5;  // project, root, root summary, account tree, stage list
  count += std::max(options.accounts, 0) + std::max(options.bill_stages, 0);
  count += kContractForms + std::max(options.contract_entries, 0);
  count += 2 * (SingleSubProjects(options) + sub_projects);  // each with its summary
  count += sub_projects * std::max(options.resource_codes, 1);
  count += bills *
           (1 + std::max(options.entries_per_bill, 0) + std::max(options.budget_lines_per_bill, 0) +
            std::max(options.cost_lines_per_bill, 0) + PartsPerBill(options).collected);
  if (options.rows > 0) count += 1 + options.rows;
  return count + CountMergeTableObjects(options);
}

std::int64_t CountMergeTableObjects(const GeneratorOptions& options) {
  if (!options.merge_tables) return 0;
  const std::int64_t fanout = std::max(options.measure_fanout, 1);
  const std::int64_t unit_price = std::max(options.unit_price_items, 0);
  const std::int64_t lump_sum = std::max(options.lump_sum_items, 0);
  const std::int64_t shared = SharedEntries(options);
  std::int64_t count = 3;                                    // the three measure roots
  count += (unit_price + fanout - 1) / fanout + unit_price;  // headings and items
  if (shared > 0) count += shared + unit_price * std::max(options.measure_lines, 0);
  count += (lump_sum + fanout - 1) / fanout + lump_sum;  // subtitles and items
  count += std::max(options.jjfy_items, 0);
  count += 2 + 2 * std::int64_t{std::max(options.keyed_rows, 0)};  // the keyed tables
  count += 5 + 5 * std::int64_t{std::max(options.other_item_rows, 0)};
  count += 1 + std::max(options.fee_rows, 0);
  count += kContractForms + std::max(options.local_form_entries, 0);
  count += 3 * std::int64_t{std::max(options.set_members, 0)};
  return count;
}

namespace {

// Builds one document. Every part draws from one random sequence in a fixed
// order (accounts, contract entries, the catalogue, then each sub-project's
// bills in turn, then rows), so one seed always gives the same document.
class EstimateGenerator {
 public:
  explicit EstimateGenerator(const GeneratorOptions& options)
      : options_(options),
        random_(options.seed),
        parts_(PartsPerBill(options)),
        lines_per_bill_(std::max(options.budget_lines_per_bill, 0)),
        cost_per_bill_(std::max(options.cost_lines_per_bill, 0)),
        entries_per_bill_(std::max(options.entries_per_bill, 0)),
        order_(lines_per_bill_),
        lines_(lines_per_bill_),
        costs_(cost_per_bill_),
        bill_entries_(entries_per_bill_) {}

  std::unique_ptr<EstimateDocument> Generate();

 private:
  std::string Id(const char* kind, std::int64_t n) const {
    return PrefixedId(options_.id_prefix, kind, n);
  }
  // A random leaf account's id, or null when the tree is empty.
  const std::string* AnyLeaf() {
    return leaves_.empty() ? nullptr : &leaves_[random_.Below(leaves_.size())]->GetId();
  }

  void AddAccountsAndStages();
  // Contract-level forms and their entries, round robin.
  void AddContractEntries();
  // The budget resources every summary holds, each with its account.
  void MakeCatalogueOf(int size);
  void AddSubProjects();
  // A unit sub-project's summary: the whole catalogue, so lines may point
  // anywhere.
  void AddSummary(SubProjectImpl* unit, const std::string& sub_project_id);
  void AddBill(SubProjectImpl* unit, int s, int b);
  void AddBillEntries(SubEngineeringImpl* bill, double bill_quantity);
  void AddBudgetLines(SubEngineeringImpl* bill, double bill_quantity);
  void AddCostLines(SubEngineeringImpl* bill);
  // Which lines are linked and which collected: a random pick per bill.
  void LinkAndCollect(double bill_quantity);

  // The cost tables a project merge carries, on the root.
  void AddMergeTables();
  void AddUnitPriceTree();
  void AddLumpSumTree();
  // A measure tree of the root: |count| bill items, |measure_fanout| to a
  // heading; the kinds prefix the ids of the root, the headings and the items.
  struct HeadedTree {
    SubProjectImpl::MeasureTree tree;
    const char* root_kind;
    const char* heading_kind;
    const char* item_kind;
    int heading_measure_kind;
    int item_measure_kind;
    int count;
  };
  // Heading h (from 1) takes the |heading_name|(h)-th measure name; an item
  // takes a random one and its code after its heading, then |fill_item|.
  template <class HeadingName, class FillItem>
  void AddHeadedTree(const HeadedTree& shape, HeadingName heading_name, FillItem fill_item);
  void AddJJFY();
  void AddMergeRows();
  void AddFeeTable();
  void AddLocalFormsAndSets();
  scoped_refptr<SubEngineeringImpl> MeasureItem(const char* kind, std::int64_t n, int node_kind,
                                                int measure_kind, const std::string& code,
                                                const std::string& name);

  const GeneratorOptions& options_;
  Random random_;
  scoped_refptr<ProjectImpl> project_;
  scoped_refptr<SubProjectImpl> root_;
  std::vector<CostAccountImpl*> leaves_;
  std::vector<BillStageImpl*> stages_;
  std::vector<BaseResItemImpl*> contract_entries_;
  std::vector<engine::FieldContainer::FieldMap> contract_mirrored_;
  std::vector<CatalogueEntry> catalogue_;
  std::vector<const std::string*> catalogue_accounts_;

  const BillParts parts_;
  const int lines_per_bill_;
  const int cost_per_bill_;
  const int entries_per_bill_;
  std::int64_t bill_count_ = 0, entry_count_ = 0, line_count_ = 0, cost_count_ = 0, copy_count_ = 0;
  std::int64_t measure_line_count_ = 0;
  // The summary of the unit sub-project being filled, by catalogue index.
  std::vector<BaseResItemImpl*> summary_entries_;
  // Scratch of the bill being built.
  std::vector<int> order_;
  std::vector<ResItemImpl*> lines_;
  std::vector<ResItemImpl*> costs_;
  std::vector<SubEngineeringImpl*> bill_entries_;
};

std::unique_ptr<EstimateDocument> EstimateGenerator::Generate() {
  project_ = new ProjectImpl(options_.id_prefix + "p", "Generated project");
  root_ = new SubProjectImpl(options_.id_prefix + "p/root", engine::kSubProjectWhole,
                             "Generated project");
  project_->SetRootSubProject(root_);
  AddAccountsAndStages();
  AddContractEntries();
  MakeCatalogueOf(std::max(options_.resource_codes, 1));
  AddSubProjects();
  AddRows(project_.get(), options_, leaves_, random_);
  if (options_.merge_tables) AddMergeTables();

  auto document = std::make_unique<EstimateDocument>();
  if (!document->SetProject(project_)) {
    LOG(ERROR) << "generated document repeats an id";
    return nullptr;
  }
  return document;
}

void EstimateGenerator::AddAccountsAndStages() {
  // References point to the leaves only.
  for (CostAccountImpl* account : BuildAccounts(project_->cost_accounts(), options_.accounts,
                                                options_.account_depth, options_.id_prefix))
    if (account->GetChildCount() == 0) leaves_.push_back(account);

  for (int i = 0; i < options_.bill_stages; ++i) {
    scoped_refptr<BillStageImpl> stage(new BillStageImpl(
        Id("bs", i + 1),
        std::to_string(i + 1) + " " + SiblingName(kStageNames, Count(kStageNames), i)));
    project_->bill_stages()->AddBillStage(stage);
    stages_.push_back(stage.get());
  }
}

void EstimateGenerator::AddContractEntries() {
  std::vector<BaseResItemGroupImpl*> forms;
  for (int f = 0; f < kContractForms; ++f) {
    scoped_refptr<BaseResItemGroupImpl> group(
        new BaseResItemGroupImpl(Id("g", f + 1), kForms[f].name));
    project_->AddBaseResItemGroup(group);
    forms.push_back(group.get());
  }
  contract_entries_.reserve(std::max(options_.contract_entries, 0));
  char code[48];
  for (int i = 0; i < options_.contract_entries; ++i) {
    const ContractForm& form = kForms[i % kContractForms];
    const Resource& resource = form.kind == kLabourKind ? kLabour[random_.Below(Count(kLabour))]
                               : form.kind == kMaterialKind
                                   ? kMaterial[random_.Below(Count(kMaterial))]
                                   : kMachine[random_.Below(Count(kMachine))];
    scoped_refptr<BaseResItemImpl> entry(new BaseResItemImpl(Id("ce", i + 1)));
    std::snprintf(code, sizeof(code), "%s%05d", form.code_prefix, i / kContractForms + 1);
    FieldContainerImpl* fields = entry->fields();
    fields->SetText(keys::kCode, code);
    fields->SetText(keys::kName, resource.name);
    fields->SetText(keys::kUnit, resource.unit);
    fields->SetText(keys::kResType, form.type);
    const double price = Round(random_.Between(resource.low_price, resource.high_price), 2);
    fields->SetDouble(keys::kPrice, price);
    fields->SetDouble(keys::kPriceWithTax, Round(price * 1.13, 2));
    if (const std::string* account = AnyLeaf()) entry->SetCostAccount(*account);
    if (form.self_lease) entry->SetLeaseQuantityText("0");
    forms[i % kContractForms]->Add(entry);
    contract_entries_.push_back(entry.get());
    engine::FieldContainer::FieldMap mirrored;
    for (const char* key : {keys::kCode, keys::kName, keys::kUnit, keys::kResType, keys::kPrice})
      mirrored[key] = fields->GetAllFields().at(key);
    contract_mirrored_.push_back(std::move(mirrored));
  }
}

void EstimateGenerator::MakeCatalogueOf(int size) {
  catalogue_ = MakeCatalogue(size, random_);
  catalogue_accounts_.assign(catalogue_.size(), nullptr);
  for (auto& account : catalogue_accounts_) account = AnyLeaf();
}

void EstimateGenerator::AddSubProjects() {
  SubProjectImpl* single = nullptr;
  int single_count = 0;
  for (int s = 0; s < options_.sub_projects; ++s) {
    SubProjectImpl* parent = root_.get();
    if (options_.sub_projects_per_single > 0) {
      if (s % options_.sub_projects_per_single == 0) {
        ++single_count;
        scoped_refptr<SubProjectImpl> fresh(
            new SubProjectImpl(Id("ss", single_count), engine::kSubProjectSingle,
                               "Building " + std::to_string(single_count)));
        root_->AddChild(fresh);
        single = fresh.get();
      }
      parent = single;
    }
    const std::string sub_project_id = Id("sp", s + 1);
    scoped_refptr<SubProjectImpl> unit(new SubProjectImpl(sub_project_id, engine::kSubProjectUnit,
                                                          "Unit works " + std::to_string(s + 1)));
    parent->AddChild(unit);
    FieldContainerImpl* unit_fields = unit->fields();
    if (leaves_.size() >= 2) {
      unit_fields->SetText(keys::kCostAccount, "{\"Labor\":\"" + *AnyLeaf() + "\",\"Material\":\"" +
                                                   *AnyLeaf() + "\"}");
      unit_fields->SetText(keys::kYSCostAccount, "[\"" + *AnyLeaf() + "\",\"" + *AnyLeaf() + "\"]");
    }
    AddSummary(unit.get(), sub_project_id);
    for (int b = 0; b < options_.bills_per_sub_project; ++b) AddBill(unit.get(), s, b);
  }
}

void EstimateGenerator::AddSummary(SubProjectImpl* unit, const std::string& sub_project_id) {
  summary_entries_.assign(catalogue_.size(), nullptr);
  for (size_t c = 0; c < catalogue_.size(); ++c) {
    scoped_refptr<BaseResItemImpl> entry(
        new BaseResItemImpl(sub_project_id + ":" + catalogue_[c].code));
    entry->fields()->Assign(catalogue_[c].mirrored);
    if (catalogue_accounts_[c])
      entry->fields()->SetText(keys::kYSCostAccount, *catalogue_accounts_[c]);
    unit->summary()->Add(entry);
    summary_entries_[c] = entry.get();
  }
}

void EstimateGenerator::AddBill(SubProjectImpl* unit, int s, int b) {
  ++bill_count_;
  const double bill_quantity = Round(random_.Between(1, 500), 2);
  scoped_refptr<SubEngineeringImpl> bill(
      new SubEngineeringImpl(Id("b", bill_count_), engine::kNodeKindBill));
  bill->SetQuantity(bill_quantity);
  FieldContainerImpl* bill_fields = bill->fields();
  char code[48];
  std::snprintf(code, sizeof(code), "0101%02d%03d%03d", s % 100, b / 1000 % 1000, b % 1000 + 1);
  bill_fields->SetText("Code", code);
  bill_fields->SetText("Name", kBillNames[random_.Below(Count(kBillNames))]);
  if (const std::string* account = AnyLeaf()) bill_fields->SetText(keys::kCostAccount, *account);
  if (!stages_.empty())
    bill_fields->SetText(keys::kBillStage, stages_[random_.Below(stages_.size())]->GetId());

  AddBillEntries(bill.get(), bill_quantity);
  AddBudgetLines(bill.get(), bill_quantity);
  AddCostLines(bill.get());
  LinkAndCollect(bill_quantity);
  for (ResItemImpl* cost : costs_) cost->Recalculate();
  unit->AddSubEngineering(bill);
}

void EstimateGenerator::AddBillEntries(SubEngineeringImpl* bill, double bill_quantity) {
  char code[48];
  for (int e = 0; e < entries_per_bill_; ++e) {
    scoped_refptr<SubEngineeringImpl> entry(
        new SubEngineeringImpl(Id("d", ++entry_count_), engine::kNodeKindEntry));
    entry->SetQuantity(bill_quantity);
    std::snprintf(code, sizeof(code), "A%d-%d", 1 + random_.Below(20), 1 + random_.Below(300));
    entry->fields()->SetText("Code", code);
    if (const std::string* account = AnyLeaf())
      entry->fields()->SetText(keys::kCostAccount, *account);
    bill->AddChild(entry);
    bill_entries_[e] = entry.get();
  }
}

// Spreads the lines over the bill's entries and sums their amounts by
// resource kind into the bill's fee figures.
void EstimateGenerator::AddBudgetLines(SubEngineeringImpl* bill, double bill_quantity) {
  double labour = 0, material = 0, machine = 0;
  for (int l = 0; l < lines_per_bill_; ++l) {
    const int c = random_.Below(catalogue_.size());
    scoped_refptr<ResItemImpl> line(new ResItemImpl(Id("ys", ++line_count_)));
    const double quantity = std::max(0.001, Round(bill_quantity * random_.Between(0.01, 2.0), 3));
    line->SetQuantity(quantity);
    line->SetBaseResItem(summary_entries_[c]);
    line->fields()->Assign(catalogue_[c].mirrored);
    SubEngineeringImpl* holder =
        entries_per_bill_ > 0 ? bill_entries_[l % entries_per_bill_] : bill;
    holder->budget_list()->Add(line);
    lines_[l] = line.get();
    const double amount = quantity * catalogue_[c].price;
    switch (catalogue_[c].code[0]) {
      case 'R':
        labour += amount;
        break;
      case 'C':
        material += amount;
        break;
      default:
        machine += amount;
        break;
    }
  }
  FeeCalcImpl* fees = bill->fee_calc();
  fees->SetFeeTotalCost("Labor", Round(labour, 2));
  fees->SetFeeCost("Labor", Round(labour / bill_quantity, 2));
  fees->SetFeeTotalCost("Material", Round(material, 2));
  fees->SetFeeCost("Material", Round(material / bill_quantity, 2));
  fees->SetFeeTotalCost("Machine", Round(machine, 2));
  fees->SetFeeCost("Machine", Round(machine / bill_quantity, 2));
}

void EstimateGenerator::AddCostLines(SubEngineeringImpl* bill) {
  for (int k = 0; k < cost_per_bill_; ++k) {
    const int e = random_.Below(contract_entries_.size());
    scoped_refptr<ResItemImpl> line(new ResItemImpl(Id("cb", ++cost_count_)));
    line->SetQuantity(0);
    if (!contract_entries_.empty()) {
      line->SetBaseResItem(contract_entries_[e]);
      line->fields()->Assign(contract_mirrored_[e]);
      contract_entries_[e]->AddRegisteredId(line->GetId());
    }
    bill->cost_list()->Add(line);
    costs_[k] = line.get();
  }
}

void EstimateGenerator::LinkAndCollect(double bill_quantity) {
  for (int l = 0; l < lines_per_bill_; ++l) order_[l] = l;
  for (int l = 0; l < parts_.linked + parts_.collected; ++l)
    std::swap(order_[l], order_[l + random_.Below(lines_per_bill_ - l)]);
  double linked_total = 0;
  for (int l = 0; l < parts_.linked; ++l) {
    ResItemImpl* line = lines_[order_[l]];
    costs_[0]->AddLinkedId(line->GetId());
    linked_total += *line->own_quantity();
  }
  if (parts_.linked > 0) {
    char content[48];
    std::snprintf(content, sizeof(content), "%f", linked_total / bill_quantity);
    costs_[0]->SetContent(content);
  }
  const int first_target = parts_.linked > 0 ? 1 : 0;
  for (int l = 0; l < parts_.collected; ++l) {
    ResItemImpl* line = lines_[order_[parts_.linked + l]];
    ResItemImpl* target = costs_[first_target + l % (cost_per_bill_ - first_target)];
    const double quantity = Round(*line->own_quantity() * random_.Between(0.3, 1.0), 3);
    AttachCollectedCopy(line, target, std::max(quantity, 0.0005), Id("cp", ++copy_count_));
  }
}

void EstimateGenerator::AddMergeTables() {
  FieldContainerImpl* fields = root_->fields();
  fields->SetDouble(keys::kBuildingArea, Round(random_.Between(1000, 50000), 2));
  fields->SetDouble(keys::kUponBuildingArea, Round(random_.Between(800, 40000), 2));
  fields->SetDouble(keys::kUnderBuildingArea, Round(random_.Between(0, 10000), 2));
  AddUnitPriceTree();
  AddLumpSumTree();
  AddJJFY();
  AddMergeRows();
  AddFeeTable();
  AddLocalFormsAndSets();
}

scoped_refptr<SubEngineeringImpl> EstimateGenerator::MeasureItem(const char* kind, std::int64_t n,
                                                                 int node_kind, int measure_kind,
                                                                 const std::string& code,
                                                                 const std::string& name) {
  scoped_refptr<SubEngineeringImpl> item(
      new SubEngineeringImpl(Id(kind, n), node_kind, measure_kind));
  item->SetCode(code);
  item->SetName(name);
  return item;
}

template <class HeadingName, class FillItem>
void EstimateGenerator::AddHeadedTree(const HeadedTree& shape, HeadingName heading_name,
                                      FillItem fill_item) {
  scoped_refptr<SubEngineeringImpl> root(new SubEngineeringImpl(Id(shape.root_kind, 0), 0));
  root_->SetMeasureRoot(shape.tree, root);
  const int fanout = std::max(options_.measure_fanout, 1);
  SubEngineeringImpl* heading = nullptr;
  for (int i = 0; i < shape.count; ++i) {
    if (i % fanout == 0) {
      const int h = i / fanout + 1;
      const int name = heading_name(h);
      scoped_refptr<SubEngineeringImpl> fresh =
          MeasureItem(shape.heading_kind, h, 1, shape.heading_measure_kind, std::to_string(h),
                      SiblingName(kMeasureNames, Count(kMeasureNames), name));
      root->AddChild(fresh);
      heading = fresh.get();
    }
    const std::string code = heading->GetCode() + "." + std::to_string(i % fanout + 1);
    scoped_refptr<SubEngineeringImpl> item =
        MeasureItem(shape.item_kind, i + 1, engine::kNodeKindBill, shape.item_measure_kind, code,
                    kMeasureNames[random_.Below(Count(kMeasureNames))]);
    fill_item(item.get());
    heading->AddChild(item);
  }
}

// Headings of |measure_fanout| unit-price items; the items' budget lines
// point to the root's summary, which the merge shares with the other side.
void EstimateGenerator::AddUnitPriceTree() {
  const int shared = static_cast<int>(SharedEntries(options_));
  std::vector<BaseResItemImpl*> entries;
  for (int c = 0; c < shared; ++c) {
    scoped_refptr<BaseResItemImpl> entry(
        new BaseResItemImpl(root_->GetId() + ":" + catalogue_[c].code));
    entry->fields()->Assign(catalogue_[c].mirrored);
    root_->summary()->Add(entry);
    entries.push_back(entry.get());
  }
  const int lines = entries.empty() ? 0 : std::max(options_.measure_lines, 0);
  auto fill_item = [&](SubEngineeringImpl* item) {
    const double item_quantity = Round(random_.Between(1, 100), 2);
    item->SetQuantity(item_quantity);
    for (int l = 0; l < lines; ++l) {
      BaseResItemImpl* entry = entries[random_.Below(static_cast<int>(entries.size()))];
      scoped_refptr<ResItemImpl> line(new ResItemImpl(Id("dl", ++measure_line_count_)));
      line->SetQuantity(std::max(0.001, Round(item_quantity * random_.Between(0.01, 2.0), 3)));
      line->SetBaseResItem(entry);
      line->fields()->Assign(entry->fields()->GetAllFields());
      item->budget_list()->Add(line);
    }
  };
  AddHeadedTree(
      {SubProjectImpl::kDJCS, "djcs", "dh", "di", 0, 0, options_.unit_price_items},
      [](int h) { return h; }, fill_item);
}

// Subtitles of |measure_fanout| lump-sum items; the even subtitles are named
// alike under every seed so that two documents' trees partly match.
void EstimateGenerator::AddLumpSumTree() {
  auto subtitle_name = [&](int h) { return h % 2 == 0 ? h : random_.Below(Count(kMeasureNames)); };
  auto fill_item = [&](SubEngineeringImpl* item) {
    item->SetQuantity(1);
    FieldContainerImpl* fields = item->fields();
    if (const char* method = kCalculationMethods[random_.Below(Count(kCalculationMethods))])
      fields->SetText(kCalculationMethod, method);
    if (random_.Below(4) == 0) fields->SetFieldValue(kLinkedToBudget, true, true);
  };
  AddHeadedTree({SubProjectImpl::kZJCS, "zjcs", "zh", "zi", 3, 16, options_.lump_sum_items},
                subtitle_name, fill_item);
}

void EstimateGenerator::AddJJFY() {
  scoped_refptr<SubEngineeringImpl> root(new SubEngineeringImpl(Id("jjfy", 0), 0));
  root_->SetMeasureRoot(SubProjectImpl::kJJFY, root);
  for (int i = 0; i < options_.jjfy_items; ++i) {
    scoped_refptr<SubEngineeringImpl> item =
        MeasureItem("ji", i + 1, engine::kNodeKindBill, 0, "J" + std::to_string(i + 1),
                    kMeasureNames[random_.Below(Count(kMeasureNames))]);
    root->AddChild(item);
  }
}

// The keyed tables (some keys repeated) and the five other-items tables.
void EstimateGenerator::AddMergeRows() {
  const SubProjectImpl::KeyedTable keyed[] = {SubProjectImpl::kZJCSDetail,
                                              SubProjectImpl::kJJFYTable};
  const char* const keyed_kinds[][2] = {{"zd", "zdr"}, {"jt", "jtr"}};
  for (int t = 0; t < 2; ++t) {
    scoped_refptr<TableImpl> table(
        new TableImpl(Id(keyed_kinds[t][0], 0), t == 0 ? "ZJCSDetailTable" : "JJFYTable"));
    root_->SetKeyedTable(keyed[t], table);
    const int keys_drawn = std::max(options_.keyed_rows - options_.keyed_rows / 8, 1);
    for (int i = 0; i < options_.keyed_rows; ++i) {
      scoped_refptr<TupleImpl> row(new TupleImpl(Id(keyed_kinds[t][1], i + 1)));
      row->SetRowKey("K" + std::to_string(random_.Below(keys_drawn)));
      row->fields()->SetDouble("Amount", Round(random_.Between(10, 10000), 2));
      table->AddRow(row);
    }
  }
  QTXMTablesImpl* tables = root_->EnsureQTXMTables();
  for (int t = 1; t <= QTXMTablesImpl::kTableCount; ++t) {
    const std::string kind = "q" + std::to_string(t) + "_";
    scoped_refptr<TableImpl> table(new TableImpl(Id(kind.c_str(), 0), "QTXM" + std::to_string(t)));
    tables->SetTable(t, table);
    for (int i = 0; i < options_.other_item_rows; ++i) {
      scoped_refptr<TupleImpl> row(new TupleImpl(Id(kind.c_str(), i + 1)));
      row->fields()->SetText(kOtherItemName,
                             SiblingName(kOtherItemNames, Count(kOtherItemNames), i));
      row->fields()->SetDouble("Amount", Round(random_.Between(100, 100000), 2));
      table->AddRow(row);
    }
  }
}

// Even rows have the same code, base and rate under every seed, so that two
// documents' fee rows half match; odd rows draw their rate.
void EstimateGenerator::AddFeeTable() {
  scoped_refptr<TableImpl> table(new TableImpl(Id("fee", 0), FeeStoreImpl::kFeeTable));
  root_->EnsureFeeStore()->AddTable(table);
  if (options_.fee_rows > 0) table->SetExpression("F1");
  for (int i = 0; i < options_.fee_rows; ++i) {
    scoped_refptr<TupleImpl> row(new TupleImpl(Id("fr", i + 1)));
    FieldContainerImpl* fields = row->fields();
    fields->SetText(keys::kFeeCode, "F" + std::to_string(i + 1));
    fields->SetText(keys::kFeeCalculationBase, kFeeBases[i % Count(kFeeBases)]);
    fields->SetDouble(keys::kFeeRate,
                      i % 2 == 0 ? 0.01 * (i % 7 + 1) : Round(random_.Between(0.01, 0.2), 4));
    fields->SetDouble(keys::kFeeAmount, Round(random_.Between(100, 1000000), 2));
    table->AddRow(row);
  }
}

void EstimateGenerator::AddLocalFormsAndSets() {
  std::vector<BaseResItemGroupImpl*> forms;
  for (int f = 0; f < kContractForms; ++f) {
    scoped_refptr<BaseResItemGroupImpl> group(
        new BaseResItemGroupImpl(Id("lg", f + 1), kForms[f].name));
    root_->GetGroupedItemSet()->Add(group);
    forms.push_back(group.get());
  }
  char code[48];
  for (int i = 0; i < options_.local_form_entries; ++i) {
    const ContractForm& form = kForms[i % kContractForms];
    scoped_refptr<BaseResItemImpl> entry(new BaseResItemImpl(Id("le", i + 1)));
    std::snprintf(code, sizeof(code), "L%s%05d", form.code_prefix, i / kContractForms + 1);
    entry->fields()->SetText(keys::kCode, code);
    entry->fields()->SetText(keys::kResType, form.type);
    entry->fields()->SetDouble(keys::kPrice, Round(random_.Between(10, 1000), 2));
    forms[i % kContractForms]->Add(entry);
  }
  const SubProjectImpl::ItemSetKind sets[] = {SubProjectImpl::kMovableItems,
                                              SubProjectImpl::kProductItems,
                                              SubProjectImpl::kMovableRecords};
  const char* const kinds[] = {"mi", "pi", "mr"};
  for (int k = 0; k < 3; ++k) {
    ItemSetImpl* set = root_->EnsureItemSet(sets[k]);
    for (int i = 0; i < options_.set_members; ++i) {
      scoped_refptr<DocumentObjectImpl> member(new MovableMemberImpl(Id(kinds[k], i + 1)));
      member->fields()->SetDouble("Quantity", Round(random_.Between(1, 100), 2));
      set->Add(member);
    }
  }
}

GeneratorOptions SizedShape(std::uint64_t seed) {
  GeneratorOptions options;
  options.seed = seed;
  options.accounts = 300;
  options.account_depth = 3;
  return options;
}

}  // namespace

GeneratorOptions OptionsForBudgetLines(std::int64_t budget_lines, std::uint64_t seed) {
  GeneratorOptions options = SizedShape(seed);
  const std::int64_t bills = std::max<std::int64_t>(
      1, (budget_lines + options.budget_lines_per_bill - 1) / options.budget_lines_per_bill);
  options.sub_projects = static_cast<int>(std::clamp<std::int64_t>((bills + 2499) / 2500, 1, 1000));
  options.bills_per_sub_project =
      static_cast<int>((bills + options.sub_projects - 1) / options.sub_projects);
  options.contract_entries = static_cast<int>(std::max<std::int64_t>(600, budget_lines / 500));
  return options;
}

GeneratorOptions OptionsForObjects(std::int64_t objects, std::uint64_t seed) {
  GeneratorOptions options = SizedShape(seed);
  options.sub_projects = static_cast<int>(std::clamp<std::int64_t>(objects / 40000, 1, 1000));
  options.contract_entries = static_cast<int>(std::max<std::int64_t>(600, objects / 1000));
  options.bills_per_sub_project = 0;
  const std::int64_t fixed = CountObjects(options);
  options.bills_per_sub_project = 1;
  const std::int64_t per_bill = (CountObjects(options) - fixed) / options.sub_projects;
  const std::int64_t wanted = std::max<std::int64_t>(objects - fixed, per_bill);
  options.bills_per_sub_project = static_cast<int>((wanted + per_bill * options.sub_projects - 1) /
                                                   (per_bill * options.sub_projects));
  return options;
}

GeneratorOptions OptionsForMerge(std::int64_t objects, const std::string& id_prefix,
                                 std::uint64_t seed) {
  // Half of the objects in the merge tables: unit-price items with their
  // lines the most, then lump-sum items, rows of every table and members.
  GeneratorOptions tables;
  tables.merge_tables = true;
  const std::int64_t half = std::max<std::int64_t>(objects / 2, 100);
  auto share = [&](double part, double objects_each) {
    return static_cast<int>(std::max<std::int64_t>(1, std::llround(half * part / objects_each)));
  };
  tables.measure_lines = 4;
  tables.shared_entries = static_cast<int>(std::clamp<std::int64_t>(half / 100, 1, 400));
  tables.unit_price_items = share(0.40, 5.1);
  tables.lump_sum_items = share(0.15, 1.1);
  tables.jjfy_items = share(0.05, 1);
  tables.keyed_rows = share(0.10, 2);
  tables.other_item_rows = share(0.10, 5);
  tables.fee_rows = share(0.05, 1);
  tables.local_form_entries = share(0.05, 1);
  tables.set_members = share(0.10, 3);

  GeneratorOptions options =
      OptionsForObjects(std::max<std::int64_t>(objects - CountMergeTableObjects(tables), 1), seed);
  options.id_prefix = id_prefix;
  options.merge_tables = true;
  options.measure_lines = tables.measure_lines;
  options.shared_entries = std::min(tables.shared_entries, options.resource_codes);
  options.unit_price_items = tables.unit_price_items;
  options.lump_sum_items = tables.lump_sum_items;
  options.jjfy_items = tables.jjfy_items;
  options.keyed_rows = tables.keyed_rows;
  options.other_item_rows = tables.other_item_rows;
  options.fee_rows = tables.fee_rows;
  options.local_form_entries = tables.local_form_entries;
  options.set_members = tables.set_members;
  return options;
}

std::unique_ptr<EstimateDocument> GenerateEstimateDocument(const GeneratorOptions& options) {
  return EstimateGenerator(options).Generate();
}

std::unique_ptr<AppDocumentImpl> GenerateDocument(const GeneratorOptions& options) {
  std::unique_ptr<EstimateDocument> document = GenerateEstimateDocument(options);
  if (!document) return nullptr;
  return std::make_unique<AppDocumentImpl>(std::move(document));
}

scoped_refptr<CostAccountGroupImpl> CopyCostAccountTree(const CostAccountGroupImpl& tree,
                                                        const std::string& id_prefix) {
  scoped_refptr<CostAccountGroupImpl> copy(new CostAccountGroupImpl(id_prefix + tree.GetId()));
  // Pairs of (source account, its copy's parent or null for the top).
  std::vector<std::pair<const CostAccountImpl*, CostAccountImpl*>> stack;
  for (int i = tree.GetCostAccountCount() - 1; i >= 0; --i)
    stack.emplace_back(tree.GetCostAccount(i), nullptr);
  while (!stack.empty()) {
    auto [source, parent] = stack.back();
    stack.pop_back();
    scoped_refptr<CostAccountImpl> account(
        new CostAccountImpl(id_prefix + source->GetId(), source->GetCode(), source->GetName()));
    if (parent)
      parent->AddChild(account);
    else
      copy->AddCostAccount(account);
    for (int i = source->GetChildCount() - 1; i >= 0; --i)
      stack.emplace_back(source->GetChild(i), account.get());
  }
  return copy;
}

scoped_refptr<BillStageGroupImpl> CopyBillStages(const BillStageGroupImpl& stages,
                                                 const std::string& id_prefix) {
  scoped_refptr<BillStageGroupImpl> copy(new BillStageGroupImpl(id_prefix + stages.GetId()));
  for (int i = 0; i < stages.GetBillStageCount(); ++i) {
    const BillStageImpl* stage = stages.GetBillStage(i);
    copy->AddBillStage(new BillStageImpl(id_prefix + stage->GetId(), stage->GetName()));
  }
  return copy;
}

}  // namespace reference_host
