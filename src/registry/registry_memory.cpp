// The in-memory registry row. It keeps the rules the program can observe on
// the real registry: names compared without regard to ASCII case but stored
// as first written, sub-keys enumerated in name order, RegQueryValueExA's
// size protocol, access checked against the handle's mask, creation of all
// missing parents, and the NT refusal to delete a key that has sub-keys.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_ops.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

bool NameBefore(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return uint8_t(Upper(x)) < uint8_t(Upper(y)); });
}

struct StoredValue {
  std::string Name;
  uint32_t Type;
  std::vector<uint8_t> Data;
};

struct Node {
  std::string Name;
  size_t Root = 0;                              // index of the hive it belongs to
  Node* Parent = nullptr;                       // null for a root
  std::vector<std::shared_ptr<Node>> Children;  // kept in name order
  std::vector<StoredValue> Values;              // kept in the order written
  bool Deleted = false;

  std::shared_ptr<Node> FindChild(std::string_view name) const {
    for (const auto& child : Children)
      if (SameName(child->Name, name)) return child;
    return nullptr;
  }
  StoredValue* FindValue(std::string_view name) {
    for (auto& value : Values)
      if (SameName(value.Name, name)) return &value;
    return nullptr;
  }
};

constexpr RegKey RootKeys[] = {RegRoot::ClassesRoot, RegRoot::CurrentUser,   RegRoot::LocalMachine,
                             RegRoot::Users,       RegRoot::CurrentConfig, RegRoot::DynData};
constexpr size_t RootCount = sizeof RootKeys / sizeof RootKeys[0];
constexpr uint32_t ChangeRights = RegAccess::SetValue | RegAccess::CreateSubKey | RegAccess::CreateLink |
                                   RegAccess::Delete | 0x00040000u /*WRITE_DAC*/ | 0x00080000u /*WRITE_OWNER*/;
constexpr uint32_t GenericRead = 0x80000000u, GenericWrite = 0x40000000u, GenericAll = 0x10000000u;

struct OpenHandle {
  std::shared_ptr<Node> Key;
  uint32_t Access;
};

struct State {
  std::shared_ptr<Node> Roots[RootCount];
  bool ReadOnly[RootCount] = {};
  std::map<uintptr_t, OpenHandle> Handles;
  uintptr_t NextHandle = 0x100;

  State() {
    for (size_t i = 0; i < RootCount; ++i) {
      Roots[i] = std::make_shared<Node>();
      Roots[i]->Root = i;
    }
  }
};

State& TheState() {
  static State state;
  return state;
}

// Generic rights become the key rights they stand for.
uint32_t MapAccess(uint32_t access) {
  if (access & GenericAll) access |= RegAccess::AllAccess;
  if (access & GenericRead) access |= RegAccess::Read;
  if (access & GenericWrite) access |= RegAccess::Write;
  return access & ~(GenericAll | GenericRead | GenericWrite);
}

// Finds the key behind a handle; roots carry every right.
RegStatus Resolve(RegKey key, std::shared_ptr<Node>* node, uint32_t* access) {
  State& s = TheState();
  for (size_t i = 0; i < RootCount; ++i)
    if (key == RootKeys[i]) {
      *node = s.Roots[i];
      *access = RegAccess::AllAccess;
      return RegError::Success;
    }
  auto it = s.Handles.find(key.Value);
  if (it == s.Handles.end()) return RegError::InvalidHandle;
  if (it->second.Key->Deleted) return RegError::KeyDeleted;
  *node = it->second.Key;
  *access = it->second.Access;
  return RegError::Success;
}

RegStatus ResolveWith(RegKey key, uint32_t needed, std::shared_ptr<Node>* node) {
  uint32_t access = 0;
  RegStatus status = Resolve(key, node, &access);
  if (status != RegError::Success) return status;
  if ((access & needed) != needed) return RegError::AccessDenied;
  if ((needed & ChangeRights) && TheState().ReadOnly[(*node)->Root]) return RegError::AccessDenied;
  return RegError::Success;
}

// Splits a sub-key path at its backslashes. As in the system, empty names
// between backslashes (doubled or trailing ones) are skipped, but a path may
// not start with a backslash.
bool SplitPath(const char* path, std::vector<std::string_view>* parts) {
  parts->clear();
  if (!path || !*path) return true;
  if (*path == '\\') return false;
  std::string_view rest(path);
  while (!rest.empty()) {
    size_t cut = rest.find('\\');
    std::string_view part = rest.substr(0, cut);
    if (part.size() > 255) return false;
    if (!part.empty()) parts->push_back(part);
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return true;
}

RegKey NewHandle(const std::shared_ptr<Node>& node, uint32_t access) {
  State& s = TheState();
  RegKey key{s.NextHandle};
  s.NextHandle += 4;
  s.Handles[key.Value] = {node, access};
  return key;
}

// What opening and creating share: the result cleared, the parent's node and
// the sub-key path cut into names.
RegStatus StartKeyPath(RegKey parent, const char* subKey, RegKey* result, std::shared_ptr<Node>* node,
                       std::vector<std::string_view>* parts) {
  if (!result) return RegError::InvalidParameter;
  *result = RegKey{};
  uint32_t parentAccess = 0;
  RegStatus status = Resolve(parent, node, &parentAccess);
  if (status != RegError::Success) return status;
  return SplitPath(subKey, parts) ? RegError::Success : RegError::BadPathname;
}

RegStatus OpenKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result) {
  std::shared_ptr<Node> node;
  std::vector<std::string_view> parts;
  RegStatus status = StartKeyPath(parent, subKey, result, &node, &parts);
  if (status != RegError::Success) return status;
  for (std::string_view part : parts) {
    node = node->FindChild(part);
    if (!node) return RegError::FileNotFound;
  }
  access = MapAccess(access);
  if ((access & ChangeRights) && TheState().ReadOnly[node->Root]) return RegError::AccessDenied;
  *result = NewHandle(node, access);
  return RegError::Success;
}

RegStatus CreateKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result, uint32_t* disposition) {
  std::shared_ptr<Node> node;
  std::vector<std::string_view> parts;
  RegStatus status = StartKeyPath(parent, subKey, result, &node, &parts);
  if (status != RegError::Success) return status;
  access = MapAccess(access);
  bool readOnly = TheState().ReadOnly[node->Root];
  // Check the whole path before creating anything, so a refusal leaves no
  // half-made chain behind.
  Node* walk = node.get();
  size_t existing = 0;
  while (existing < parts.size() && (walk = walk->FindChild(parts[existing]).get())) ++existing;
  if (readOnly && (existing < parts.size() || (access & ChangeRights))) return RegError::AccessDenied;
  bool created = false;
  for (std::string_view part : parts) {
    std::shared_ptr<Node> child = node->FindChild(part);
    if (!child) {
      auto fresh = std::make_shared<Node>();
      fresh->Name = std::string(part);
      fresh->Root = node->Root;
      fresh->Parent = node.get();
      auto& children = node->Children;
      auto at = std::upper_bound(children.begin(), children.end(), fresh,
                                 [](const auto& a, const auto& b) { return NameBefore(a->Name, b->Name); });
      children.insert(at, fresh);
      node = fresh;
      created = true;
    } else {
      node = child;
    }
  }
  if (disposition) *disposition = created ? RegDisposition::CreatedNewKey : RegDisposition::OpenedExistingKey;
  *result = NewHandle(node, access);
  return RegError::Success;
}

std::string_view ValueName(const char* name) { return name ? std::string_view(name) : std::string_view(); }

RegStatus QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  if (data && !size) return RegError::InvalidParameter;
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::QueryValue, &node);
  if (status != RegError::Success) return status;
  StoredValue* value = node->FindValue(ValueName(name));
  if (!value) return RegError::FileNotFound;
  if (type) *type = value->Type;
  if (!size) return RegError::Success;
  uint32_t length = uint32_t(value->Data.size());
  if (data && *size < length) {
    *size = length;
    return RegError::MoreData;
  }
  if (data && length) std::memcpy(data, value->Data.data(), length);
  *size = length;
  return RegError::Success;
}

RegStatus SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if (!data && size) return RegError::InvalidParameter;
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::SetValue, &node);
  if (status != RegError::Success) return status;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  std::vector<uint8_t> copy(bytes, bytes + size);
  if (StoredValue* value = node->FindValue(ValueName(name))) {
    value->Type = type;
    value->Data = std::move(copy);
  } else {
    node->Values.push_back({std::string(ValueName(name)), type, std::move(copy)});
  }
  return RegError::Success;
}

RegStatus DeleteValue(RegKey key, const char* name) {
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::SetValue, &node);
  if (status != RegError::Success) return status;
  auto& values = node->Values;
  auto it = std::find_if(values.begin(), values.end(), [&](const StoredValue& v) { return SameName(v.Name, ValueName(name)); });
  if (it == values.end()) return RegError::FileNotFound;
  values.erase(it);
  return RegError::Success;
}

RegStatus DeleteKey(RegKey parent, const char* subKey) {
  if (!subKey) return RegError::InvalidParameter;
  RegKey target;
  RegStatus status = OpenKey(parent, subKey, RegAccess::Delete, &target);
  if (status != RegError::Success) return status;
  State& s = TheState();
  std::shared_ptr<Node> node = s.Handles[target.Value].Key;
  s.Handles.erase(target.Value);
  if (!node->Parent) return RegError::AccessDenied;  // a root
  if (!node->Children.empty()) return RegError::AccessDenied;
  node->Deleted = true;  // handles still open on it now answer KeyDeleted
  auto& siblings = node->Parent->Children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->Parent = nullptr;
  return RegError::Success;
}

// Copies a name into an enumeration buffer the way RegEnum*A do.
RegStatus CopyName(const std::string& source, char* name, uint32_t* nameSize) {
  if (!name || !nameSize) return RegError::InvalidParameter;
  if (source.size() + 1 > *nameSize) return RegError::MoreData;
  std::memcpy(name, source.c_str(), source.size() + 1);
  *nameSize = uint32_t(source.size());
  return RegError::Success;
}

RegStatus EnumKey(RegKey key, uint32_t index, char* name, uint32_t* nameSize) {
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::EnumerateSubKeys, &node);
  if (status != RegError::Success) return status;
  if (index >= node->Children.size()) return RegError::NoMoreItems;
  return CopyName(node->Children[index]->Name, name, nameSize);
}

RegStatus EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* type, void* data,
                    uint32_t* dataSize) {
  if (data && !dataSize) return RegError::InvalidParameter;
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::QueryValue, &node);
  if (status != RegError::Success) return status;
  if (index >= node->Values.size()) return RegError::NoMoreItems;
  const StoredValue& value = node->Values[index];
  status = CopyName(value.Name, name, nameSize);
  if (status != RegError::Success) return status;
  if (type) *type = value.Type;
  if (!dataSize) return RegError::Success;
  uint32_t length = uint32_t(value.Data.size());
  if (data && *dataSize < length) {
    *dataSize = length;
    return RegError::MoreData;
  }
  if (data && length) std::memcpy(data, value.Data.data(), length);
  *dataSize = length;
  return RegError::Success;
}

RegStatus QueryInfoKey(RegKey key, uint32_t* subKeys, uint32_t* values) {
  std::shared_ptr<Node> node;
  RegStatus status = ResolveWith(key, RegAccess::QueryValue, &node);
  if (status != RegError::Success) return status;
  if (subKeys) *subKeys = uint32_t(node->Children.size());
  if (values) *values = uint32_t(node->Values.size());
  return RegError::Success;
}

RegStatus CloseKey(RegKey key) {
  for (RegKey root : RootKeys)
    if (key == root) return RegError::Success;
  return TheState().Handles.erase(key.Value) ? RegError::Success : RegError::InvalidHandle;
}

}  // namespace

namespace MemoryRegistry {
const RegistryOps Row = {OpenKey, CreateKey, QueryValue, SetValue, DeleteValue, DeleteKey, EnumKey, EnumValue, QueryInfoKey, CloseKey};

void Reset() {
  TheState() = State();
  InstallRegistry(&Row);
}

uint32_t OpenHandleCount() { return uint32_t(TheState().Handles.size()); }

void SetRootReadOnly(RegKey root, bool readOnly) {
  for (size_t i = 0; i < RootCount; ++i)
    if (root == RootKeys[i]) TheState().ReadOnly[i] = readOnly;
}
}  // namespace MemoryRegistry
