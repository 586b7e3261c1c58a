#include "registry/registry_ops.h"

namespace {
const RegistryOps* g_row = nullptr;
}  // namespace

const RegistryOps& Registry() { return g_row ? *g_row : SystemRegistryRow(); }
void InstallRegistry(const RegistryOps* row) { g_row = row; }
