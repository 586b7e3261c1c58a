// The host has no registry of its own: the in-memory one stands in for it.
#include "registry/registry_ops.h"

const RegistryOps& SystemRegistryRow() { return MemoryRegistry::Row; }
