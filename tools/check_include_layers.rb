# Fails when one of the plug-in's folders includes a header from a folder above it.
#
#   ruby tools/check_include_layers.rb [ROOT]     checks the tree at ROOT (default: this repository)
#   ruby tools/check_include_layers.rb --self-test checks that a wrong include is reported
#
# The floors, bottom up: the platform and the Ruby bridge; the live connection; appearance, camera
# and renderer; scene; the plug-in on top. Korvan's stand-in (peer/) sees only the protocol.
# Quoted includes are checked ("folder/file.h"); a name without a folder is the folder's own.
require "tmpdir"
require "fileutils"

ALLOWED = {
  "platform" => [],
  "rubybridge" => %w[platform],
  "liveconnection" => %w[platform],
  "camera" => %w[liveconnection platform],
  "appearance" => %w[rubybridge liveconnection platform],
  "renderer" => %w[liveconnection platform],
  "scene" => %w[appearance camera rubybridge liveconnection platform],
  "plugin" => %w[scene appearance camera renderer rubybridge liveconnection platform],
  "peer" => %w[camera liveconnection platform],
}.freeze

# The platform's public headers live under platform/include/twinlink/.
def folder_of_include(path)
  top = path.split("/").first
  top == "twinlink" ? "platform" : top
end

def violations(root)
  found = []
  ALLOWED.each do |folder, allowed|
    Dir.glob(File.join(root, folder, "**", "*.{h,cpp}")).sort.each do |file|
      File.foreach(file).with_index(1) do |line, number|
        included = line[/^\s*#\s*include\s+"([^"]+)"/, 1] or next
        next unless included.include?("/")
        target = folder_of_include(included)
        next if target == folder || allowed.include?(target)
        found << "#{file.delete_prefix("#{root}/")}:#{number}: #{folder}/ includes \"#{included}\"" \
                 " (#{folder}/ may use #{allowed.empty? ? "no other folder" : allowed.join(", ")})"
      end
    end
  end
  found
end

def self_test
  Dir.mktmpdir do |root|
    FileUtils.mkdir_p(["#{root}/scene", "#{root}/plugin"])
    File.write("#{root}/plugin/top.h", "#pragma once\n")
    File.write("#{root}/scene/ok.cpp", "#include \"scene/ok.h\"\n#include \"twinlink/platform.h\"\n")
    File.write("#{root}/scene/up.cpp", "#include <vector>\n  #include \"plugin/top.h\"\n")
    found = violations(root)
    expected = ["scene/up.cpp:2: scene/ includes \"plugin/top.h\" (scene/ may use appearance, camera, " \
                "rubybridge, liveconnection, platform)"]
    return true if found == expected
    warn "self-test: expected #{expected.inspect}, got #{found.inspect}"
    false
  end
end

if ARGV.first == "--self-test"
  exit(self_test ? 0 : 1)
end
root = File.expand_path(ARGV.first || File.join(__dir__, ".."))
found = violations(root)
found.each { |message| warn message }
puts "include layers: #{found.empty? ? "every include points down" : "#{found.size} upward includes"}"
exit(found.empty? ? 0 : 1)
