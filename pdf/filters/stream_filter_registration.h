#pragma once
// Enters the stream filters into the object model's filter table. Call it
// before any stream is decoded; calling it again does nothing.
namespace ostrel {

void RegisterStreamFilters();

}  // namespace ostrel
