# Korvan TwinLink for SketchUp: mirrors the open model live into Korvan.
#
# This script only prepares what the native plug-in (korvan/KorvanPlugin) expects to find when
# it is loaded: the module Korvan with the plug-in's folder and whether the installer has just
# replaced the library. The installer marks a replaced library with the file
# korvan/library_updated, which is taken away here so that only the first load sees it.
module Korvan
  @@PluginFolder = File.dirname(File.expand_path(__FILE__))

  updated_marker = File.join(@@PluginFolder, 'korvan', 'library_updated')
  @@LibraryUpdated = File.exist?(updated_marker)
  File.delete(updated_marker) if @@LibraryUpdated
end

require File.join(File.dirname(File.expand_path(__FILE__)), 'korvan', 'KorvanPlugin')
