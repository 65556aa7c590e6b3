#pragma once

#include "config/cfgwriter.h"
#include "config/model.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"
#include "tests/common/stderrcapture.h"
