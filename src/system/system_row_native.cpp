#include <filesystem>
#include <system_error>

#include "system/system.h"

namespace {

std::string ModulePath() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

bool IsNt() { return true; }
void BroadcastPolicyChange() {}
void StartRegistryEditor(const char*) {}

const SystemOps Row{ModulePath, IsNt, BroadcastPolicyChange, StartRegistryEditor};

}  // namespace

const SystemOps& SystemRow() { return Row; }
