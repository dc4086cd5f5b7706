#pragma once
// Everything a window needs for the account operations.
#include "accounts/account_texts.h"
#include "accounts/heartbeat.h"
#include "accounts/log_in.h"
#include "accounts/password.h"
#include "accounts/register.h"
#include "accounts/validation.h"
