#pragma once
// An ExifKit parameter block for one call, and the guard that frees the pictures the call left in it.

#include "ExifKit.h"

#include <cstdlib>
#include <cstring>

namespace siblingtest {

inline ExifParams freshParams()
{
    ExifParams params;
    std::memset(&params, 0, sizeof params);
    params.size = sizeof params;
    return params;
}

struct ParamsGuard {
    ExifParams params = freshParams();
    ~ParamsGuard()
    {
        std::free(params.image);
        std::free(params.thumbnail);
    }
};

}  // namespace siblingtest
