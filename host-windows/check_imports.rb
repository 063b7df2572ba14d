# Checks a DLL built for SketchUp against the host's .def files, after each link:
#   ruby check_imports.rb --objdump OBJDUMP [--export NAME]... HOST.DLL=FILE.def... LIBRARY.dll
# - what it imports from each host DLL is exactly what that DLL's .def lists (the link itself
#   fails on a name missing from a .def; this finds names listed but no longer used);
# - it exports exactly the --export names;
# - it imports nothing from MinGW's runtime DLLs (lib*.dll), which SketchUp does not ship.
require "open3"

objdump = nil
exports = []
defs = {}
library = nil
args = ARGV.dup
until args.empty?
  arg = args.shift
  case arg
  when "--objdump" then objdump = args.shift
  when "--export" then exports << args.shift
  when /\A([^=]+)=(.+\.def)\z/ then defs[$1.downcase] = $2
  else library = arg
  end
end
abort "usage: check_imports.rb --objdump OBJDUMP [--export NAME]... DLL=DEF... LIBRARY" unless objdump && library

def listed_names(def_file)
  names = []
  in_exports = false
  File.foreach(def_file) do |line|
    line = line.sub(/;.*/, "").strip
    next if line.empty?
    if line == "EXPORTS"
      in_exports = true
    elsif in_exports
      names << line.split.first
    end
  end
  names.sort
end

table, status = Open3.capture2(objdump, "-p", library)
abort "#{objdump} -p #{library} failed" unless status.success?

imports = Hash.new { |h, k| h[k] = [] }
exported = []
dll = nil
section = nil
table.each_line do |line|
  if line =~ /^The Import Tables/
    section = :imports
  elsif line =~ /^The Export Tables/
    section = :exports
  elsif line =~ /^The Function Table|^PE File Base Relocations|^The \.rsrc Resource Directory/
    section = nil
  elsif section == :imports && line =~ /^\s*DLL Name: (\S+)/
    dll = $1.downcase
  elsif section == :imports && dll && line =~ /^\s*\h+\s+\d+\s+(\S+)\s*$/
    imports[dll] << $1
  elsif section == :exports && line =~ /^\s*\[\s*\d+\]\s+(\S+)\s*$/
    exported << $1
  end
end

problems = []
defs.each do |host_dll, def_file|
  imported = imports[host_dll].sort
  listed = listed_names(def_file)
  (listed - imported).each { |name| problems << "#{File.basename(def_file)} lists #{name}, which #{File.basename(library)} does not import" }
  (imported - listed).each { |name| problems << "#{File.basename(library)} imports #{name} from #{host_dll}, which #{File.basename(def_file)} does not list" }
end
if exported.sort != exports.sort
  problems << "#{File.basename(library)} exports #{exported.sort.join(", ")}; expected #{exports.sort.join(", ")}"
end
imports.each_key do |name|
  problems << "#{File.basename(library)} needs #{name}, a MinGW runtime DLL" if name.start_with?("lib")
end

problems.each { |problem| warn problem }
host_summary = defs.keys.map { |name| "#{imports[name].size} from #{name}" }.join(", ")
puts "#{File.basename(library)}: #{problems.empty? ? "imports #{host_summary}; exports #{exported.join(", ")}" : "#{problems.size} problems"}"
exit(problems.empty? ? 0 : 1)
