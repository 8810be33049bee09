#pragma once
// The sender's names for the shared owners of a kernel handle and a mapped view; the owners
// themselves live in framework/owners, for the DLL and every tool alike.
#include "../../framework/owners/kernel_owners.h"

using Handle = CKernelHandle;
using View = CMappedView;
