require 'minitest/autorun'
require 'plugin_host'

# What Korvan receives against what SketchUp draws: after Start TwinLink, every material's
# triangles read back by korvan-peer from the shared batches (positions, normals and UVs in
# Korvan's frame) are the triangles that hostsim reckons from its own model, with its own
# traversal, transforms and visibility rules; and the vertex and index counts agree exactly.
class TestMirrorOracle < Minitest::Test
  # For positions in metres (a float of a city's far corner is good to about 1e-5), UVs and unit
  # normals alike.
  TOLERANCE = 1e-4

  DEFAULT_MATERIAL = 'Default material'

  Vertex = Struct.new(:position, :normal, :uv)

  include PluginHost::FreshModel

  # { material name => [[Vertex, Vertex, Vertex], ...] } from a triangle listing.
  def read_triangles(path)
    groups = {}
    current = nil
    File.foreach(path) do |line|
      if line.start_with?('material ')
        name = line.chomp.split(' ', 3)[2] || ''
        current = (groups[name] ||= [])
      else
        numbers = line.split.map(&:to_f)
        raise "a triangle needs 24 numbers: #{line}" unless numbers.size == 24

        current << numbers.each_slice(8).map { |n| Vertex.new(n[0, 3], unit(n[3, 3]), n[6, 2]) }
      end
    end
    groups
  end

  def unit(vector)
    length = Math.sqrt(vector.sum { |c| c * c })
    length.zero? ? vector : vector.map { |c| c / length }
  end

  def close?(a, b, tolerance) = a.zip(b).all? { |x, y| (x - y).abs <= tolerance * [1.0, x.abs].max }

  def same_vertex?(a, b)
    %i[position normal uv].all? { |part| close?(a[part], b[part], TOLERANCE) }
  end

  # The same corners in the same turning order, whichever corner comes first.
  def same_triangle?(a, b) = 3.times.any? { |r| 3.times.all? { |k| same_vertex?(a[k], b[(k + r) % 3]) } }

  def centre_x(triangle) = triangle.sum { |v| v.position[0] } / 3.0

  # The triangles of `actual` that match none of `expected` and those of `expected` left over.
  def unmatched(actual, expected)
    pool = expected.sort_by { |t| centre_x(t) }
    keys = pool.map { |t| centre_x(t) }
    taken = Array.new(pool.size, false)
    missing = actual.reject do |triangle|
      x = centre_x(triangle)
      slack = TOLERANCE * [1.0, x.abs].max
      first = keys.bsearch_index { |k| k >= x - slack } || pool.size
      index = (first...pool.size).take_while { |i| keys[i] <= x + slack }
                                 .find { |i| !taken[i] && same_triangle?(triangle, pool[i]) }
      taken[index] = true if index
    end
    [missing, pool.reject.with_index { |_, i| taken[i] }]
  end

  def describe(triangle) = triangle.map { |v| "#{v.position} n#{v.normal.map { |c| c.round(4) }} uv#{v.uv}" }.join(' | ')

  # SketchUp draws an image with a material of its own that the model does not list among its
  # materials; Korvan gets such faces with the default material.
  def fold_unlisted(by_material, listed)
    by_material.each_with_object({}) do |(name, value), folded|
      name = DEFAULT_MATERIAL unless listed.include?(name)
      folded[name] = folded.key?(name) ? yield(folded[name], value) : value
    end
  end

  # Starts the link on the model, waits until the worker has published it, and compares.
  def assert_mirror_matches_the_model(model)
    @model = model
    start_saved
    PluginHost.wait_until_published(@path)

    sent = File.join(@base, 'sent.txt')
    drawn = File.join(@base, 'drawn.txt')
    counts = PluginHost.peer('counts', '--link', @path)
    assert_empty counts['problems']
    PluginHost.peer('triangles', '--link', @path, '--out', sent)
    listed = model.materials.map(&:name)
    expected_counts = fold_unlisted(HostSim.drawn_triangles(model, drawn), listed) { |a, b| a.zip(b).map(&:sum) }

    sent_counts = counts['materials'].reject { |m| m['vertices'].zero? && m['indices'].zero? }
                                     .to_h { |m| [m['name'], [m['vertices'], m['indices']]] }
    assert_equal expected_counts, sent_counts, 'vertices and indices per material'

    actual = read_triangles(sent)
    expected = fold_unlisted(read_triangles(drawn), listed) { |a, b| a + b }
    assert_equal expected.keys.sort, actual.reject { |_, t| t.empty? }.keys.sort
    expected.each do |name, triangles|
      missing, extra = unmatched(actual.fetch(name), triangles)
      assert_empty missing.first(3).map { |t| describe(t) }, "#{name}: #{missing.size} sent triangles SketchUp does not draw"
      assert_empty extra.first(3).map { |t| describe(t) }, "#{name}: #{extra.size} drawn triangles never sent"
    end
    expected.sum { |_, t| t.size }
  end

  def test_the_sample_house_arrives_as_sketchup_draws_it
    triangles = assert_mirror_matches_the_model(HostSim.open_sample_house)
    assert_equal 1448, triangles, 'every face of the house, front and back'
  end

  # The roof's layer hidden: neither SketchUp nor Korvan shows the roof, the rest is unchanged.
  def test_the_sample_house_without_its_roof_layer_arrives_as_sketchup_draws_it
    model = HostSim.open_sample_house
    model.layers['Roof'].visible = false
    triangles = assert_mirror_matches_the_model(model)
    assert_operator triangles, :<, 1448, 'the roof is not drawn'
  end

  # Generated cities: blocks of buildings placed as groups and components, with many materials.
  def test_generated_cities_arrive_as_sketchup_draws_them
    [[7, 20_000], [1234, 20_000]].each do |seed, size|
      model = HostSim.open_city(seed, size)
      triangles = assert_mirror_matches_the_model(model)
      assert_operator triangles, :>=, size, "city #{seed}"
      PluginHost.stop_link
    end
  end
end
