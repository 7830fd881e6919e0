// The in-process registry: root trees, keys with values in the order they
// were made, and a table of open handles. Handles are numbers that are never
// reused, so a stale or made-up handle is recognised as such and refused
// instead of reaching freed memory. A deleted key stays alive for the handles
// that still name it, which then answer ERROR_KEY_DELETED.
#include "platform/host/registryStore.h"

#include "platform/host/fontTable.h"
#include "platform/host/utf.h"
#include "platform/host/winreg.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace zolm_platform {
namespace registry {
namespace {

// The platform's limits on names, in UTF-16 units.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

struct Value {
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string name;
  std::vector<Value> values;
  std::vector<std::shared_ptr<Key>> subkeys;
  bool deleted = false;
};

struct Handle {
  std::shared_ptr<Key> key;
  REGSAM access;
};

constexpr int kRootCount = 7;
constexpr uint32_t kFirstRoot = 0x80000000u;
constexpr uintptr_t kFirstHandle = 0x1000;

const char16_t* const kFontTablePaths[] = {
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts",
};

// Splits a key path at its backslashes. A leading backslash is refused, as
// the platform refuses it; empty parts (doubled or trailing) are skipped.
bool splitPath(const std::u16string& path, std::vector<std::u16string>& parts) {
  if (!path.empty() && path[0] == u'\\') return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::shared_ptr<Key> findSubkey(const Key& key, const std::u16string& name) {
  for (const auto& sub : key.subkeys)
    if (sameNameIgnoringCase(sub->name, name)) return sub;
  return nullptr;
}

Value* findValue(Key& key, const std::u16string& name) {
  for (Value& v : key.values)
    if (sameNameIgnoringCase(v.name, name)) return &v;
  return nullptr;
}

class Store {
 public:
  std::mutex mutex;

  Store() { clear(true); }

  void clear(bool fill) {
    for (auto& root : roots_) root = std::make_shared<Key>();
    handles_.clear();
    fillFonts_ = fill;
    fontsFilled_ = false;
  }

  // The key a handle names, checked for the access the call needs.
  LONG resolve(HKEY hkey, REGSAM needed, std::shared_ptr<Key>& out) {
    uintptr_t raw = reinterpret_cast<uintptr_t>(hkey);
    for (int i = 0; i < kRootCount; ++i) {
      if (raw != static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(kFirstRoot + i))))
        continue;
      if (hkey == HKEY_LOCAL_MACHINE) fillFontTables();
      out = roots_[i];
      return ERROR_SUCCESS;
    }
    auto it = handles_.find(raw);
    if (it == handles_.end()) return ERROR_INVALID_HANDLE;
    if (it->second.key->deleted) return ERROR_KEY_DELETED;
    if ((it->second.access & needed) != needed) return ERROR_ACCESS_DENIED;
    out = it->second.key;
    return ERROR_SUCCESS;
  }

  HKEY newHandle(std::shared_ptr<Key> key, REGSAM access) {
    uintptr_t raw = nextHandle_;
    nextHandle_ += 4;
    handles_[raw] = Handle{std::move(key), access};
    return reinterpret_cast<HKEY>(raw);
  }

  bool isRoot(HKEY hkey) const {
    uint32_t low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hkey));
    return low >= kFirstRoot && low < kFirstRoot + kRootCount &&
           reinterpret_cast<uintptr_t>(hkey) ==
               static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(low)));
  }

  bool close(HKEY hkey) { return handles_.erase(reinterpret_cast<uintptr_t>(hkey)) == 1; }

  DWORD handleCount() const { return static_cast<DWORD>(handles_.size()); }

  // Walks (and with create, makes) the keys of a path below a key.
  LONG walk(std::shared_ptr<Key> from, const std::u16string& path, bool create,
            std::shared_ptr<Key>& out, bool* created) {
    std::vector<std::u16string> parts;
    if (!splitPath(path, parts)) return ERROR_BAD_PATHNAME;
    if (created) *created = false;
    for (const auto& part : parts) {
      if (part.size() > kMaxKeyName) return create ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
      std::shared_ptr<Key> next = findSubkey(*from, part);
      if (!next) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        next = std::make_shared<Key>();
        next->name = part;
        from->subkeys.push_back(next);
        if (created) *created = true;
      }
      from = next;
    }
    out = from;
    return ERROR_SUCCESS;
  }

 private:
  // Filled once, on the first use of HKEY_LOCAL_MACHINE after start or reset.
  void fillFontTables() {
    if (!fillFonts_ || fontsFilled_) return;
    fontsFilled_ = true;
    const auto faces = installedFontFaces();
    for (const char16_t* path : kFontTablePaths) {
      std::shared_ptr<Key> table;
      if (walk(roots_[HKEY_LOCAL_MACHINE_INDEX], path, true, table, nullptr) != ERROR_SUCCESS)
        continue;
      for (const auto& face : faces) {
        if (findValue(*table, face.first)) continue;
        const auto* bytes = reinterpret_cast<const BYTE*>(face.second.c_str());
        std::vector<BYTE> data(bytes, bytes + (face.second.size() + 1) * sizeof(char16_t));
        table->values.push_back(Value{face.first, REG_SZ, std::move(data)});
      }
    }
  }

  static constexpr int HKEY_LOCAL_MACHINE_INDEX = 2;
  std::shared_ptr<Key> roots_[kRootCount];
  std::unordered_map<uintptr_t, Handle> handles_;
  uintptr_t nextHandle_ = kFirstHandle;
  bool fillFonts_ = true;
  bool fontsFilled_ = false;
};

Store& store() {
  static Store instance;
  return instance;
}

// Runs work(store, key) under the lock on the key a handle names, once the
// handle is checked for the access the call needs.
template <typename Work>
LONG withKey(HKEY hkey, REGSAM needed, Work work) {
  Store& s = store();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::shared_ptr<Key> key;
  const LONG rc = s.resolve(hkey, needed, key);
  return rc != ERROR_SUCCESS ? rc : work(s, key);
}

}  // namespace

LONG openKey(HKEY parent, const std::u16string& path, REGSAM access, HKEY* result) {
  return withKey(parent, 0, [&](Store& s, std::shared_ptr<Key>& from) -> LONG {
    std::shared_ptr<Key> key;
    const LONG rc = s.walk(from, path, false, key, nullptr);
    if (rc == ERROR_SUCCESS) *result = s.newHandle(key, access);
    return rc;
  });
}

LONG createKey(HKEY parent, const std::u16string& path, REGSAM access, HKEY* result,
               DWORD* disposition) {
  return withKey(parent, KEY_CREATE_SUB_KEY, [&](Store& s, std::shared_ptr<Key>& from) -> LONG {
    std::shared_ptr<Key> key;
    bool created = false;
    const LONG rc = s.walk(from, path, true, key, &created);
    if (rc != ERROR_SUCCESS) return rc;
    *result = s.newHandle(key, access);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return rc;
  });
}

LONG closeKey(HKEY key) {
  Store& s = store();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.isRoot(key)) return ERROR_SUCCESS;
  return s.close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG deleteKey(HKEY parent, const std::u16string& path) {
  return withKey(parent, 0, [&](Store&, std::shared_ptr<Key>& owner) -> LONG {
    std::vector<std::u16string> parts;
    if (!splitPath(path, parts)) return ERROR_BAD_PATHNAME;
    if (parts.empty()) return ERROR_INVALID_PARAMETER;
    const std::u16string last = parts.back();
    parts.pop_back();
    for (const auto& part : parts) {
      owner = findSubkey(*owner, part);
      if (!owner) return ERROR_FILE_NOT_FOUND;
    }
    for (auto it = owner->subkeys.begin(); it != owner->subkeys.end(); ++it) {
      if (!sameNameIgnoringCase((*it)->name, last)) continue;
      // Only a key without subkeys may go, as on the platform.
      if (!(*it)->subkeys.empty()) return ERROR_ACCESS_DENIED;
      (*it)->deleted = true;
      owner->subkeys.erase(it);
      return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

LONG setValue(HKEY hkey, const std::u16string& name, DWORD type, std::vector<BYTE> data) {
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  return withKey(hkey, KEY_SET_VALUE, [&](Store&, std::shared_ptr<Key>& key) -> LONG {
    if (Value* existing = findValue(*key, name)) {
      existing->type = type;
      existing->data = std::move(data);
    } else {
      key->values.push_back(Value{name, type, std::move(data)});
    }
    return ERROR_SUCCESS;
  });
}

bool readText(HKEY parent, const std::u16string& path, const char16_t* name, size_t maxBytes,
              std::u16string& out) {
  std::vector<BYTE> data;
  const LONG rc = withKey(parent, 0, [&](Store& s, std::shared_ptr<Key>& from) -> LONG {
    std::shared_ptr<Key> key;
    if (s.walk(from, path, false, key, nullptr) != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
    const Value* v = findValue(*key, name ? name : u"");
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ) || v->data.size() > maxBytes)
      return ERROR_FILE_NOT_FOUND;
    data = v->data;
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return false;
  out.assign(data.size() / sizeof(char16_t), u'\0');
  if (!out.empty()) std::memcpy(&out[0], data.data(), out.size() * sizeof(char16_t));
  while (!out.empty() && out.back() == u'\0') out.pop_back();
  return true;
}

LONG deleteValue(HKEY hkey, const std::u16string& name) {
  return withKey(hkey, KEY_SET_VALUE, [&](Store&, std::shared_ptr<Key>& key) -> LONG {
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
      if (!sameNameIgnoringCase(it->name, name)) continue;
      key->values.erase(it);
      return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

LONG valueAt(HKEY hkey, DWORD index, std::u16string* name, DWORD* type,
             std::vector<BYTE>* data) {
  return withKey(hkey, KEY_QUERY_VALUE, [&](Store&, std::shared_ptr<Key>& key) -> LONG {
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = key->values[index];
    *name = v.name;
    *type = v.type;
    *data = v.data;
    return ERROR_SUCCESS;
  });
}

LONG subkeyAt(HKEY hkey, DWORD index, std::u16string* name) {
  return withKey(hkey, KEY_ENUMERATE_SUB_KEYS, [&](Store&, std::shared_ptr<Key>& key) -> LONG {
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    *name = key->subkeys[index]->name;
    return ERROR_SUCCESS;
  });
}

LONG countEntries(HKEY hkey, DWORD* subkeys, DWORD* values) {
  return withKey(hkey, KEY_QUERY_VALUE, [&](Store&, std::shared_ptr<Key>& key) -> LONG {
    if (subkeys) *subkeys = static_cast<DWORD>(key->subkeys.size());
    if (values) *values = static_cast<DWORD>(key->values.size());
    return ERROR_SUCCESS;
  });
}

void reset(bool fillFontTables) {
  Store& s = store();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.clear(fillFontTables);
}

DWORD openHandleCount() {
  Store& s = store();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.handleCount();
}

}  // namespace registry
}  // namespace zolm_platform
