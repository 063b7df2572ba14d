# The table that closes ./run bench: the figures its benchmarks appended to the file named on the
# command line (one a line, as bench/summary.h describes), in the order they were measured.
rows = File.readlines(ARGV.fetch(0), chomp: true, encoding: 'UTF-8').map { |line| line.split("\t", 4) }
header = %w[figure measured target met?]
widths = (0..2).map { |column| [header, *rows].map { |row| row[column].to_s.length }.max }
line = ->(row) { row.each_with_index.map { |text, column| column < 3 ? text.ljust(widths[column]) : text }.join('  ') }

puts
puts "Summary: #{rows.count { |row| row[3] == 'met' }} of #{rows.size} targets met"
puts line[header]
puts line[widths.map { |width| '-' * width } + ['-' * 7]]
rows.each { |row| puts line[row] }
