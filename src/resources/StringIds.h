#pragma once
// String ids of the page and prompt texts.
