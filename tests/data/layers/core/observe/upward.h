#pragma once

#include "base/text.h"
#include "classify/verdict.h"
#include "present/status_menu.h"
#include "platform.h"
