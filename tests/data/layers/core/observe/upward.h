#pragma once

#include "base/text.h"
#include "classify/verdict.h"
#include "platform.h"
#include "present/status_menu.h"
