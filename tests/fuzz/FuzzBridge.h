// SPDX-License-Identifier: MIT
#pragma once

#include "SugarCRM/CxSGBaseUtil.h"
#include "SugarCRM/CxSGDataReader.h"

// Opens the base's ini readers to the fuzz targets; it never runs a helper.
class FuzzBridge : public CxSGBaseUtil
{
public:
    using CxSGBaseUtil::ReadErrorFile;
    using CxSGBaseUtil::RequestStop;

protected:
    const char* HelperProgram() const override { return "Quorvel.SGFuzzUtil.exe"; }
    CxSGDataReader& Runner() override
    {
        static CxSGDataReader runner;
        return runner;
    }
};
